#include "convert/pal_patch.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

#include "common/text.h"
#include "source/pbp.h"

namespace quillon {
namespace {

bool isOccurrence(const std::uint8_t* bytes) {
    return std::any_of(kPalPatterns.begin(), kPalPatterns.end(), [bytes](const auto& pattern) {
        return std::memcmp(bytes, pattern.data(), pattern.size()) == 0;
    });
}

}  // namespace

PatchWindow imageDataWindow(std::uint64_t dataPsarOffset, std::int64_t startDat) {
    return {static_cast<std::int64_t>(dataPsarOffset + kImageDataOffset) - 1, startDat};
}

int patchOccurrences(std::span<std::uint8_t> block, std::uint64_t blockPosition,
                     std::size_t firstStart, const PatchWindow& window) {
    if (block.size() < kPatchPatternSize) return 0;
    // The range of start indexes that are both whole in the block and in the window.
    const auto position = static_cast<std::int64_t>(blockPosition);
    const std::int64_t first =
        std::max<std::int64_t>(static_cast<std::int64_t>(firstStart), window.lowerBound + 1 - position);
    const std::int64_t last = std::min<std::int64_t>(
        static_cast<std::int64_t>(block.size() - kPatchPatternSize), window.end - 1 - position);
    int patched = 0;
    std::uint8_t* const data = block.data();
    for (std::int64_t k = first; k <= last;) {
        // Every occurrence starts with 0x13: jump from one such byte to the next.
        const void* found = std::memchr(data + k, kPalPatterns[0][0], static_cast<std::size_t>(last - k + 1));
        if (!found) break;
        k = static_cast<const std::uint8_t*>(found) - data;
        if (isOccurrence(data + k)) {
            for (std::size_t i : kPatchedBytes) data[k + static_cast<std::int64_t>(i)] = 0;
            ++patched;
        }
        ++k;
    }
    return patched;
}

Status copyPatchedImageData(const ImageCopy& copy, const PatchWindow& window, int& patchCount) {
    constexpr std::size_t kAdvance = kCopyBlockSize - kPatchPatternSize;  // 65,527
    return copyBlocks(copy.range, kAdvance, [&](CopyBlock& block) -> Expected<std::optional<std::size_t>> {
        if (!copy.progress(movingReport(block.position, copy.range.source.size()))) {
            return Error::cancelled();
        }
        // The first start of an overlap was examined in the block before; the overlap
        // reaches this block with that block's patches in it.
        patchCount += patchOccurrences(block.bytes, block.position, block.follows ? 1 : 0, window);
        const std::size_t count = countUpToEnd(copy.range, block);
        if (count != kCopyBlockSize) return std::optional<std::size_t>(count);
        return std::optional<std::size_t>();
    });
}

namespace {

// The whole of a block's image bytes: every start is in the window.
constexpr PatchWindow kWholeBlock{-1, std::numeric_limits<std::int64_t>::max()};

// A block on its way through the patch: its image bytes, and whether the patch changed
// them.
struct HeldBlock {
    IndexEntry entry;
    Bytes stored;
    Bytes image;
    bool changed = false;
};

Expected<HeldBlock> loadHeldBlock(InputFile& source, std::uint64_t imageDataStart, const IndexEntry& entry,
                                  std::size_t number) {
    auto stored = source.readBytes(imageDataStart + entry.offset, entry.storedSize);
    if (!stored) return stored.error();
    auto image = loadBlock(*stored, entry);
    if (!image) {
        return Error::format("Cannot patch the disc image in " + inQuotes(source.path()) + ". Its block " +
                             std::to_string(number) + " does not inflate to " +
                             std::to_string(kImageBlockSize) + " bytes.");
    }
    return HeldBlock{entry, std::move(*stored), std::move(*image), false};
}

// Patches the occurrences that start in the last 7 bytes of `before` and end in `after`.
int patchAcrossEdge(HeldBlock& before, HeldBlock& after) {
    constexpr std::size_t kReach = kPatchPatternSize - 1;
    Bytes edge(before.image.end() - kReach, before.image.end());
    edge.insert(edge.end(), after.image.begin(), after.image.begin() + kReach);
    const int patched = patchOccurrences(edge, 0, 0, kWholeBlock);
    if (patched == 0) return 0;
    std::copy_n(edge.begin(), kReach, before.image.end() - kReach);
    std::copy_n(edge.begin() + kReach, kReach, after.image.begin());
    before.changed = after.changed = true;
    return patched;
}

// Writes a block at the output's end: as it was stored when unchanged, else stored anew
// the way it was stored (as it is, or deflated at level 9) with the checksum of its new
// bytes. Gives its entry in the output's index.
Expected<IndexEntry> writeHeldBlock(OutputFile& output, HeldBlock& block, std::uint64_t outputImageDataStart) {
    IndexEntry entry = block.entry;
    entry.offset = static_cast<std::uint32_t>(output.written() - outputImageDataStart);
    if (block.changed) {
        block.stored = storeBlock(block.image, block.entry.isCompressed() ? 9 : 0);
        entry.storedSize = static_cast<std::uint16_t>(block.stored.size());
        entry.sha1Prefix = blockChecksum(block.image);
    }
    if (auto written = output.write(block.stored); !written) return written.error();
    return entry;
}

}  // namespace

Status copyPatchedBlocks(const ImageCopy& copy, std::uint64_t imageDataStart,
                         const std::vector<IndexEntry>& index, std::uint64_t outputIndexPosition,
                         int& patchCount) {
    InputFile& source = copy.range.source;
    OutputFile& output = copy.range.output;
    const std::uint64_t size = source.size();
    if (auto head = copyImageData({{source, output, copy.range.start, imageDataStart}, copy.progress}); !head) {
        return head;
    }
    const std::uint64_t outputImageDataStart = output.written();
    std::vector<IndexEntry> written;
    std::optional<HeldBlock> before;
    for (std::size_t i = 0; i < index.size(); ++i) {
        if (!copy.progress(movingReport(imageDataStart + index[i].offset, size))) return Error::cancelled();
        auto block = loadHeldBlock(source, imageDataStart, index[i], i + 1);
        if (!block) return block.error();
        if (before) {
            patchCount += patchAcrossEdge(*before, *block);
            auto entry = writeHeldBlock(output, *before, outputImageDataStart);
            if (!entry) return entry.error();
            written.push_back(*entry);
        }
        const int inside = patchOccurrences(block->image, 0, 0, kWholeBlock);
        block->changed = block->changed || inside > 0;
        patchCount += inside;
        before = std::move(*block);
    }
    if (before) {
        auto entry = writeHeldBlock(output, *before, outputImageDataStart);
        if (!entry) return entry.error();
        written.push_back(*entry);
    }
    return output.writeAt(outputIndexPosition, encodeIndex(written));
}

std::string patchSummary(int patchCount) {
    if (patchCount < 0) return "Done. Did not find any code in iso to patch.";
    if (patchCount == 0) return "Done. Patched iso in 1 place.";
    return "Done. Patched iso in " + std::to_string(patchCount + 1) + " places.";
}

}  // namespace quillon
