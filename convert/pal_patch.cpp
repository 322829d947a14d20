#include "convert/pal_patch.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "common/digest.h"
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
        if (isOccurrence(data + k) &&
            (!window.admits || window.admits(blockPosition + static_cast<std::uint64_t>(k)))) {
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

IndexedBlockPatch::IndexedBlockPatch(std::vector<IndexEntry> index, std::uint64_t imageDataStart)
    : index_(std::move(index)), imageDataStart_(imageDataStart) {}

std::size_t IndexedBlockPatch::blockAt(std::uint64_t offset) const {
    const auto after = std::upper_bound(index_.begin(), index_.end(), offset,
                                        [](std::uint64_t o, const IndexEntry& e) { return o < e.offset; });
    return static_cast<std::size_t>(after - index_.begin()) - 1;
}

bool IndexedBlockPatch::admits(std::uint64_t position) {
    if (position < imageDataStart_ || index_.empty()) return false;
    const std::uint64_t first = position - imageDataStart_;
    const std::uint64_t last = first + kPatchPatternSize - 1;
    const IndexEntry& end = index_.back();
    if (last >= std::uint64_t{end.offset} + end.storedSize) return false;
    const std::size_t from = blockAt(first);
    const std::size_t to = blockAt(last);
    for (std::size_t i = from; i <= to; ++i) {
        if (index_[i].isCompressed()) return false;
    }
    for (std::size_t i = from; i <= to; ++i) patchedBlocks_.insert(i);
    return true;
}

Status IndexedBlockPatch::updateChecksums(OutputFile& output, std::uint64_t outputImageDataStart,
                                          std::uint64_t outputIndexStart) const {
    Bytes block(kImageBlockSize);
    for (const std::size_t i : patchedBlocks_) {
        if (auto read = output.readAt(outputImageDataStart + index_[i].offset, block); !read) return read;
        const Sha1 digest = sha1(block);
        const std::span<const std::uint8_t> prefix(digest.data(), index_[i].sha1Prefix.size());
        const std::uint64_t entry = outputIndexStart + i * kIndexEntrySize;
        if (auto written = output.writeAt(entry + kIndexEntryChecksum, prefix); !written) return written;
    }
    return {};
}

std::string patchSummary(int patchCount) {
    if (patchCount < 0) return "Done. Did not find any code in iso to patch.";
    if (patchCount == 0) return "Done. Patched iso in 1 place.";
    return "Done. Patched iso in " + std::to_string(patchCount + 1) + " places.";
}

}  // namespace quillon
