#include "convert/image_copy.h"

#include <algorithm>

#include "source/pbp.h"

namespace quillon {
namespace {

constexpr std::size_t kBlocksPerRun = 16;

}  // namespace

std::string copyProgressText(std::uint64_t position, std::uint64_t sourceSize) {
    const double share = sourceSize == 0 ? 0.0
                                         : static_cast<double>(position) /
                                               static_cast<double>(sourceSize) * 100.0;
    return "Moving and modifying file... (" + std::to_string(static_cast<std::int64_t>(share)) +
           "%)";
}

Status pumpAndPollAbort(BusyState& busy) {
    busy.host().pump();
    if (busy.abortRequested) return Error::cancelled();
    return {};
}

std::size_t countUpToEnd(const ImageCopy& copy, const CopyBlock& block) {
    const std::uint64_t left = copy.end > block.position ? copy.end - block.position : 0;
    return static_cast<std::size_t>(std::min<std::uint64_t>(block.bytes.size(), left));
}

Status copyBlocks(const ImageCopy& copy, std::size_t stride, const BlockStep& step) {
    const std::size_t overlap = kCopyBlockSize - stride;
    const std::size_t runAdvance = stride * kBlocksPerRun;
    CopyBuffer buffer(runAdvance + overlap);
    Bytes carry(overlap);
    std::size_t carried = 0;  // bytes at the front of a run taken over from the run before
    for (std::uint64_t runStart = copy.start;; runStart += runAdvance) {
        const std::span<std::uint8_t> run = buffer.at(runStart);
        std::copy_n(carry.begin(), carried, run.begin());
        auto read = copy.source.readAt(runStart + carried, run.subspan(carried));
        if (!read) return read.error();
        const std::size_t available = carried + *read;
        for (std::size_t offset = 0; offset < runAdvance; offset += stride) {
            const std::size_t length = available > offset ? available - offset : 0;
            CopyBlock block{runStart + offset, run.subspan(offset, std::min(length, kCopyBlockSize)),
                            runStart + offset != copy.start};
            auto last = step(block);
            if (!last) return last.error();
            if (*last) return copy.output.write(run.first(offset + **last));
        }
        if (auto written = copy.output.write(run.first(runAdvance)); !written) return written;
        std::copy_n(run.begin() + static_cast<std::ptrdiff_t>(runAdvance), overlap, carry.begin());
        carried = overlap;
    }
}

Status copyImageData(const ImageCopy& copy) {
    // A block that comes out short is the last one; one that exactly reaches the end
    // is followed by an empty one, so the progress text is shown once more at the end.
    return copyBlocks(copy, kCopyBlockSize, [&](CopyBlock& block) -> Expected<std::optional<std::size_t>> {
        copy.busy.host().setStatus(copyProgressText(block.position, copy.source.size()));
        const std::size_t count = countUpToEnd(copy, block);
        if (count != kCopyBlockSize) return std::optional<std::size_t>(count);
        if (auto polled = pumpAndPollAbort(copy.busy); !polled) return polled.error();
        return std::optional<std::size_t>();
    });
}

}  // namespace quillon
