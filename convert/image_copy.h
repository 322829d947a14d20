// Copying the image data of a container into the finished one: block by block through
// one buffer, with the progress text before each block, the message pump between
// blocks and the abort flag polled there.
#pragma once

#include <cstdint>
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

// The plain copy: blocks of 65,535 bytes from `start` up to `end`, unchanged.
Status copyImageData(const ImageCopy& copy);

}  // namespace quillon
