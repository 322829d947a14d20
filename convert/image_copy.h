// Copying the image data of a container into the finished one: block by block, with
// the progress text before each block, the message pump between blocks and the abort
// flag polled there. The bytes themselves move in runs of many blocks, read and
// written with one system call each, which keeps the copy near the speed of a plain
// file copy: 65,535-byte pieces would end one byte short of a page each time.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/busy_state.h"
#include "common/expected.h"
#include "common/file_io.h"

namespace quillon {

struct ImageCopy {
    InputFile& source;
    OutputFile& output;
    BusyState& busy;
    std::uint64_t start;  // first byte copied: the source's DATA.PSAR offset + 4,780
    std::uint64_t end;    // first byte not copied: the start of the start-screen block
};

// "Moving and modifying file... (N%)", N being the position's share of the whole
// source, fraction dropped.
std::string copyProgressText(std::uint64_t position, std::uint64_t sourceSize);

// Lets pending window messages (an abort click among them) run; a Cancelled error when
// the abort has been requested.
Status pumpAndPollAbort(BusyState& busy);

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

// Runs `step` over the blocks from copy.start on, `stride` bytes apart (blocks overlap
// by 65,535 - stride bytes: what a step changes in the overlap is what the next block
// sees), and writes what the steps pass on.
Status copyBlocks(const ImageCopy& copy, std::size_t stride, const BlockStep& step);

// A block's byte count cut at the end of the copy.
std::size_t countUpToEnd(const ImageCopy& copy, const CopyBlock& block);

// The plain copy: blocks of 65,535 bytes from `start` up to `end`, unchanged.
Status copyImageData(const ImageCopy& copy);

}  // namespace quillon
