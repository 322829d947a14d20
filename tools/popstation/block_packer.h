// Packing a disc image into the blocks of a disc-image block: each block of 0x9300
// image bytes is stored as it is (level 0) or deflated (levels 1 to 9 and the strongest
// level, also when deflate does not make it smaller, as readers of the PCSX family
// inflate every block), with its index entry. Blocks are independent, so several
// threads pack them at once; two runs of 16 blocks per thread are held at a time (about
// 1.2 MiB each with its packed form), which keeps memory at a few MiB whatever the
// image size.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/expected.h"
#include "common/file_io.h"
#include "common/progress.h"
#include "source/disc_reader.h"
#include "source/image_index.h"

namespace quillon::popstation {

struct PackSettings {
    int level = 0;  // 0, 1 to 9, or kStrongestDeflateLevel
    unsigned threads = 1;
    // Called in image order after each block written, with the image bytes packed so
    // far of the image's size; false stops the packing before the next block.
    Progress progress;
};

// Appends the blocks of `image` (`blockCount` of them, the last completed with zero
// bytes) to `out` and gives their index entries, whose offsets count from the first
// block. A read or write failure gives its error; a stop gives Error::cancelled().
Expected<std::vector<IndexEntry>> packImageBlocks(DiscReader& image, std::uint32_t blockCount, OutputFile& out,
                                                  const PackSettings& settings);

}  // namespace quillon::popstation
