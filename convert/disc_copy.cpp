#include "convert/disc_copy.h"

#include "convert/pal_patch.h"
#include "source/pbp.h"

namespace quillon {

void writeDiscHeadFields(std::span<std::uint8_t> block, const DiscHeadFields& fields) {
    ByteWriter writer(block);
    writer.putPaddedText(kDiscIdTextOffset, fields.discIdText, kDiscIdTextSize);
    writer.putPaddedText(kSaveTitleOffset, storedSaveTitle(fields.saveTitle), kSaveTitleSize);
}

Status writeDiscHeadFields(OutputFile& output, const std::vector<std::uint64_t>& blocks, const DiscHeadFields& fields) {
    Bytes head(kImageHeadSize, 0);
    writeDiscHeadFields(head, fields);
    const auto idText = std::span(head).subspan(kDiscIdTextOffset, kDiscIdTextSize);
    const auto title = std::span(head).subspan(kSaveTitleOffset, kSaveTitleSize);
    for (const std::uint64_t block : blocks) {
        if (auto written = output.writeAt(block + kDiscIdTextOffset, idText); !written) return written;
        if (auto written = output.writeAt(block + kSaveTitleOffset, title); !written) return written;
    }
    return {};
}

void markImageDataPosition(std::span<std::uint8_t> block) {
    if (loadLe32(block.data() + kImageDataPositionOffset) == 0) {
        storeLe32(block.data() + kImageDataPositionOffset, static_cast<std::uint32_t>(kImageDataOffset));
    }
}

Status markImageDataPositions(InputFile& source, const std::vector<std::uint64_t>& sourceBlocks, OutputFile& output,
                              const std::vector<std::uint64_t>& outputBlocks) {
    Bytes marked(4, 0);
    storeLe32(marked.data(), static_cast<std::uint32_t>(kImageDataOffset));
    for (std::size_t i = 0; i < sourceBlocks.size(); ++i) {
        auto stored = source.readBytes(sourceBlocks[i] + kImageDataPositionOffset, marked.size());
        if (!stored) return stored.error();
        if (loadLe32(stored->data()) != 0) continue;
        if (auto written = output.writeAt(outputBlocks[i] + kImageDataPositionOffset, marked); !written) {
            return written;
        }
    }
    return {};
}

Status copyPatchedDisc(const ImageCopy& copy, const DiscBlock& disc, const BlockIndex& index, std::uint64_t outputBlock,
                       int& patchCount) {
    if (index.valid()) {
        return copyPatchedBlocks(copy, disc.imageData().begin, index.entries, outputBlock + kIndexOffset, patchCount);
    }
    return copyPatchedImageData(copy, imageDataWindow(disc.position, static_cast<std::int64_t>(disc.end)), patchCount);
}

Expected<std::vector<std::uint64_t>> copyPatchedDiscs(const ImageCopy& copy, const std::vector<DiscBlock>& discs,
                                                      const std::vector<BlockIndex>& indexes,
                                                      std::uint64_t outputDataPsar, int& patchCount) {
    OutputFile& output = copy.range.output;
    const ImageCopy titleHead{{copy.range.source, output, copy.range.start, discs.front().position}, copy.progress};
    if (auto copied = copyImageData(titleHead); !copied) return copied.error();
    std::vector<std::uint64_t> blocks;
    std::vector<std::uint32_t> offsets;
    for (std::size_t i = 0; i < discs.size(); ++i) {
        if (i > 0) {
            if (auto padded = padToDiscAlignment(output, outputDataPsar); !padded) return padded.error();
        }
        blocks.push_back(output.written());
        offsets.push_back(static_cast<std::uint32_t>(output.written() - outputDataPsar));
        const ImageCopy disc{{copy.range.source, output, discs[i].position, discs[i].end}, copy.progress};
        if (auto copied = copyPatchedDisc(disc, discs[i], indexes[i], blocks.back(), patchCount); !copied) {
            return copied.error();
        }
    }
    if (auto table = output.writeAt(outputDataPsar + kDiscTableOffset, discTable(offsets)); !table) {
        return table.error();
    }
    return blocks;
}

}  // namespace quillon
