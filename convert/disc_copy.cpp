#include "convert/disc_copy.h"

#include "convert/pal_patch.h"
#include "source/pbp.h"

namespace quillon {

void writeDiscHeadFields(std::span<std::uint8_t> block, const DiscHeadFields& fields) {
    ByteWriter writer(block);
    writer.putPaddedText(kDiscIdTextOffset, fields.discIdText, kDiscIdTextSize);
    writer.putPaddedText(kSaveTitleOffset, fields.saveTitle, kSaveTitleSize);
}

Status writeDiscHeadFields(OutputFile& output, const std::vector<std::uint64_t>& blocks,
                           const DiscHeadFields& fields) {
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

namespace {

// Zero bytes up to the next multiple of 0x8000 from DATA.PSAR.
Status padToDiscAlignment(OutputFile& output, std::uint64_t outputDataPsar) {
    const std::uint64_t used = (output.written() - outputDataPsar) % kDiscAlignment;
    return used == 0 ? Status{} : output.writeZeros(kDiscAlignment - used);
}

// One disc's block through the patch: with its index, block by block; without one, the
// patched copy over its image data alone.
Status copyPatchedDisc(const ImageCopy& copy, const DiscBlock& disc, const BlockIndex& index,
                       std::uint64_t outputBlock, int& patchCount) {
    const ImageDataExtent data = disc.imageData();
    if (index.valid()) {
        const ImageCopy blocks{{copy.range.source, copy.range.output, disc.position, data.begin + index.storedEnd},
                               copy.progress};
        return copyPatchedBlocks(blocks, data.begin, index.entries, outputBlock + kIndexOffset, patchCount);
    }
    const ImageCopy bytes{{copy.range.source, copy.range.output, disc.position, disc.end}, copy.progress};
    const PatchWindow window{static_cast<std::int64_t>(data.begin) - 1, static_cast<std::int64_t>(disc.end)};
    return copyPatchedImageData(bytes, window, patchCount);
}

}  // namespace

Expected<std::vector<std::uint64_t>> copyPatchedDiscs(const ImageCopy& copy,
                                                      const std::vector<DiscBlock>& discs,
                                                      const std::vector<BlockIndex>& indexes,
                                                      std::uint64_t outputDataPsar, int& patchCount) {
    OutputFile& output = copy.range.output;
    const std::uint64_t size = copy.range.source.size();
    const CopyRange titleHead{copy.range.source, output, copy.range.start, discs.front().position};
    if (auto copied = copyUnchanged(titleHead, true, [&](std::uint64_t at) { return copy.progress(movingReport(at, size)); });
        !copied) {
        return copied.error();
    }
    std::vector<std::uint64_t> blocks;
    Bytes table(kMaxDiscs * 4, 0);
    for (std::size_t i = 0; i < discs.size(); ++i) {
        if (i > 0) {
            if (auto padded = padToDiscAlignment(output, outputDataPsar); !padded) return padded.error();
        }
        blocks.push_back(output.written());
        storeLe32(&table[4 * i], static_cast<std::uint32_t>(output.written() - outputDataPsar));
        if (auto copied = copyPatchedDisc(copy, discs[i], indexes[i], blocks.back(), patchCount); !copied) {
            return copied.error();
        }
    }
    if (auto written = output.writeAt(outputDataPsar + kDiscTableOffset, table); !written) return written.error();
    return blocks;
}

}  // namespace quillon
