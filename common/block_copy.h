// Copying a range of one file into another in blocks of 65,535 bytes, the unit in which
// the long operations report progress and poll for an abort. The bytes themselves move
// in runs of many blocks, read and written with one system call each, which keeps a copy
// near the speed of a plain file copy: 65,535-byte pieces would end one byte short of a
// page each time.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "common/expected.h"
#include "common/file_io.h"

namespace quillon {

// Block size of every copy of image data.
inline constexpr std::size_t kCopyBlockSize = 0xFFFF;

struct CopyRange {
    InputFile& source;
    OutputFile& output;
    std::uint64_t start;  // first byte copied
    std::uint64_t end;    // first byte not copied
};

// One block of a copy: the source's bytes from `position` on, as far as the file has
// them, up to 65,535. `follows` tells that a block before it was copied.
struct CopyBlock {
    std::uint64_t position;
    std::span<std::uint8_t> bytes;
    bool follows;
};

// What a copy makes of a block, after it has done its work on the bytes: nullopt when
// the copy goes on, so the block's first `stride` bytes go to the output; otherwise
// the block is the last one and the count of its bytes that go to the output.
using BlockStep = std::function<Expected<std::optional<std::size_t>>(CopyBlock&)>;

// Runs `step` over the blocks from range.start on, `stride` bytes apart (blocks overlap
// by 65,535 - stride bytes: what a step changes in the overlap is what the next block
// sees), and writes what the steps pass on.
Status copyBlocks(const CopyRange& range, std::size_t stride, const BlockStep& step);

// A block's byte count cut at the end of the range.
std::size_t countUpToEnd(const CopyRange& range, const CopyBlock& block);

// Asked with a block's position before the block is copied; false stops the copy, which
// then fails as cancelled.
using BeforeBlock = std::function<bool(std::uint64_t position)>;

// The range unchanged, in blocks of 65,535 bytes. A range whose length is a whole
// number of blocks ends with an empty block. `beforeBlock` is asked before every block,
// or, without `askBeforeFirst`, before every block but the first (which is the same as
// after every full block).
Status copyUnchanged(const CopyRange& range, bool askBeforeFirst, const BeforeBlock& beforeBlock);

}  // namespace quillon
