// One disc's image in a container and its writing out to a file: either the stored
// bytes as they are, or, when the block index says that blocks are deflated, the decoded
// disc image; in both cases cut to the disc's length when the disc-image block's table of
// contents records it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/expected.h"
#include "common/file_io.h"
#include "source/disc_toc.h"
#include "source/image_index.h"
#include "source/multi_disc.h"

namespace quillon {

// Asked after every block of the copy but the last with the container position the
// copy has reached; false stops the copy (which then fails as cancelled).
using AfterBlock = std::function<bool(std::uint64_t position)>;

// What one disc-image block gives back.
struct StoredDisc {
    std::size_t disc = 0;  // its number in a container of several discs; 0 in one of one disc
    // The stored bytes, from the start of the image data: copied as they are (all of
    // them) unless `blocks` is filled.
    ImageDataExtent stored;
    std::vector<IndexEntry> blocks;  // when filled, the image is decoded from these blocks
    std::uint64_t length = 0;        // bytes of image that go to the file
    // The tracks that the table of contents lists, each with the pregap it most likely
    // has; empty when the table is missing or does not fit the image data.
    std::vector<DiscTrack> tracks;

    // The disc as messages name it: "the disc image" or "disc 2".
    std::string name() const;
};

// Reads the block index and the table of contents of `block`. The image is cut to the
// length that the table records when the table decodes; otherwise it is the image data
// whole (the stored bytes, or the decoded blocks). An error when a read fails or when
// the index is damaged (readDiscBlockIndex), as when it gives less than the table records.
Expected<StoredDisc> readStoredDisc(InputFile& container, const DiscBlock& block, BlocksEnd blocksEnd,
                                    std::size_t disc);

// The blocks whose image bytes do not match the checksum of their index entry: how
// many, and the first of them. Entries whose checksum is all zero are not checked.
struct ChecksumMismatches {
    std::size_t count = 0;
    std::size_t firstBlock = 0;       // counted from 1
    std::uint64_t firstPosition = 0;  // of its stored bytes in the container
};

// Writes the image into `output`. Stored bytes are copied in blocks of 65,535 bytes and
// `afterBlock` is asked after each full one (so also after the last one when the length
// is a multiple of the block size), not after a last, partial block. Decoded blocks are
// each inflated (or taken as they are when stored) to exactly 0x9300 bytes and checked
// against their checksum, on all processor cores and written in image order, and
// `afterBlock` is asked after each but the last; a block that does not inflate is a
// format error naming the container and the first such block, one that does not match
// its checksum is written all the same and counted.
Expected<ChecksumMismatches> writeDiscImage(InputFile& container, const StoredDisc& image, OutputFile& output,
                                            const AfterBlock& afterBlock);

}  // namespace quillon
