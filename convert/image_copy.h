// Copying a container's image data into the finished one: block by block, with the
// progress text before each block, through the operation's progress (which lets the
// window process its messages and polls for an abort).
#pragma once

#include <cstdint>
#include <string>

#include "common/block_copy.h"
#include "common/progress.h"

namespace quillon {

struct ImageCopy {
    CopyRange range;  // from the source's DATA.PSAR offset + 4,780 to its start-screen block
    const Progress& progress;
};

// "Moving and modifying file... (N%)", N being the position's share of the whole
// source, fraction dropped, with the position as the amount done.
ProgressReport movingReport(std::uint64_t position, std::uint64_t sourceSize);

// The plain copy: the range unchanged.
Status copyImageData(const ImageCopy& copy);

}  // namespace quillon
