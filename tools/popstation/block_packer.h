// Packing a disc image into the blocks of a disc-image block: each block of 0x9300
// image bytes is stored as it is (level 0) or deflated (levels 1 to 9, kept only when
// smaller), with its index entry. Blocks are independent, so several threads pack them
// at once; each holds one run of 16 blocks at a time (about 1.2 MiB with its packed
// form), which keeps memory at a few MiB whatever the image size.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "common/expected.h"
#include "common/file_io.h"
#include "source/image_index.h"

namespace quillon::popstation {

struct PackSettings {
    int level = 0;
    unsigned threads = 1;
    // Checked between blocks; once set, no further block is packed or written.
    const std::atomic<bool>* stop = nullptr;
    // Called after each block written, with the number written so far, in order.
    std::function<void(std::uint32_t blocksWritten)> progress;
};

// Appends the blocks of `image` (`blockCount` of them, the last completed with zero
// bytes) to `out` and gives their index entries, whose offsets count from the first
// block. A read or write failure gives its error; a stop gives Error::cancelled().
Expected<std::vector<IndexEntry>> packImageBlocks(InputFile& image, std::uint32_t blockCount,
                                                  OutputFile& out, const PackSettings& settings);

}  // namespace quillon::popstation
