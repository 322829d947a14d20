#include "common/block_copy.h"

#include <algorithm>

namespace quillon {
namespace {

constexpr std::size_t kBlocksPerRun = 16;

}  // namespace

std::size_t countUpToEnd(const CopyRange& range, const CopyBlock& block) {
    const std::uint64_t left = range.end > block.position ? range.end - block.position : 0;
    return static_cast<std::size_t>(std::min<std::uint64_t>(block.bytes.size(), left));
}

Status copyBlocks(const CopyRange& range, std::size_t stride, const BlockStep& step) {
    const std::size_t overlap = kCopyBlockSize - stride;
    const std::size_t runAdvance = stride * kBlocksPerRun;
    CopyBuffer buffer(runAdvance + overlap);
    Bytes carry(overlap);
    std::size_t carried = 0;  // bytes at the front of a run taken over from the run before
    for (std::uint64_t runStart = range.start;; runStart += runAdvance) {
        const std::span<std::uint8_t> run = buffer.at(runStart);
        std::copy_n(carry.begin(), carried, run.begin());
        auto read = range.source.readAt(runStart + carried, run.subspan(carried));
        if (!read) return read.error();
        const std::size_t available = carried + *read;
        for (std::size_t offset = 0; offset < runAdvance; offset += stride) {
            const std::size_t length = available > offset ? available - offset : 0;
            CopyBlock block{runStart + offset, run.subspan(offset, std::min(length, kCopyBlockSize)),
                            runStart + offset != range.start};
            auto last = step(block);
            if (!last) return last.error();
            if (*last) return range.output.write(run.first(offset + **last));
        }
        if (auto written = range.output.write(run.first(runAdvance)); !written) return written;
        std::copy_n(run.begin() + static_cast<std::ptrdiff_t>(runAdvance), overlap, carry.begin());
        carried = overlap;
    }
}

Status copyUnchanged(const CopyRange& range, bool askBeforeFirst, const BeforeBlock& beforeBlock) {
    // No byte needs a look: runs of blocks move inside the kernel where the system can
    // (or through one buffer), while progress is still asked block by block.
    const std::uint64_t length = range.end > range.start ? range.end - range.start : 0;
    constexpr std::uint64_t kRun = kCopyBlockSize * kBlocksPerRun;
    std::uint64_t copied = 0;  // bytes handed to the output so far
    for (std::uint64_t offset = 0;; offset += kCopyBlockSize) {
        if ((offset > 0 || askBeforeFirst) && !beforeBlock(range.start + offset)) {
            return Error::cancelled();
        }
        const std::uint64_t count = std::min<std::uint64_t>(kCopyBlockSize, length - offset);
        const bool last = count != kCopyBlockSize;
        const std::uint64_t pending = offset + count - copied;
        if (last || pending >= kRun) {
            if (auto moved = range.output.appendFrom(range.source, range.start + copied, pending); !moved) {
                return moved;
            }
            copied += pending;
        }
        if (last) return {};
    }
}

}  // namespace quillon
