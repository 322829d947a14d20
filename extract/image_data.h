// The image data of a disc-image block written out to a file: either the stored bytes
// as they are, or, when the block index says that blocks are deflated, the decoded
// disc image.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "common/expected.h"
#include "common/file_io.h"
#include "source/image_index.h"

namespace quillon {

// Asked after every block of the copy but the last with the container position the
// copy has reached; false stops the copy (which then fails as cancelled).
using AfterBlock = std::function<bool(std::uint64_t position)>;

// Copies the stored bytes of the extent as they are, in blocks of 65,535 bytes; asked
// after each full block (so also after the last one when the length is a multiple of
// the block size), not after a last, partial block.
Status copyStoredImage(InputFile& container, const ImageDataExtent& extent, OutputFile& output,
                       const AfterBlock& afterBlock);

// Writes the disc image that the indexed blocks hold: each block inflated (or taken as
// it is when stored) to exactly 0x9300 bytes and checked against its SHA-1 prefix.
// A block that fails either is a format error naming the container and the block.
Status writeDecodedImage(InputFile& container, const ImageDataExtent& extent,
                         const std::vector<IndexEntry>& index, OutputFile& output,
                         const AfterBlock& afterBlock);

}  // namespace quillon
