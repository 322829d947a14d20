#include "convert/pal_patch.h"

#include <algorithm>
#include <cstring>

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
    Bytes block(kCopyBlockSize);
    std::size_t carried = 0;  // bytes at the front of the block taken over from the last one
    for (std::uint64_t position = copy.start;; position += kAdvance) {
        copy.busy.host().setStatus(copyProgressText(position, copy.source.size()));
        auto read = copy.source.readAt(position + carried,
                                       std::span(block.data() + carried, block.size() - carried));
        if (!read) return read.error();
        std::size_t count = carried + *read;
        if (auto polled = pumpAndPollAbort(copy.busy); !polled) return polled;
        // The first start of a carried overlap was examined in the block before.
        patchCount += patchOccurrences(std::span(block.data(), count), position, carried ? 1 : 0,
                                       window);
        count = static_cast<std::size_t>(std::min<std::uint64_t>(count, copy.end - position));
        if (count != kCopyBlockSize) return copy.output.write(std::span(block.data(), count));
        if (auto written = copy.output.write(std::span(block.data(), kAdvance)); !written) {
            return written;
        }
        std::memmove(block.data(), block.data() + kAdvance, kPatchPatternSize);
        carried = kPatchPatternSize;
    }
}

std::string patchSummary(int patchCount) {
    if (patchCount < 0) return "Done. Did not find any code in iso to patch.";
    if (patchCount == 0) return "Done. Patched iso in 1 place.";
    return "Done. Patched iso in " + std::to_string(patchCount + 1) + " places.";
}

}  // namespace quillon
