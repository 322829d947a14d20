// The PAL-to-NTSC patch: two 8-byte code patterns in the image data whose bytes 0 and
// 4 are set to zero on the way into the finished container, and the status-line
// summary of how many places were patched.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/expected.h"
#include "convert/image_copy.h"
#include "source/image_index.h"

namespace quillon {

inline constexpr std::size_t kPatchPatternSize = 8;
inline constexpr std::array<std::array<std::uint8_t, kPatchPatternSize>, 2> kPalPatterns{{
    {0x13, 0x00, 0x91, 0x24, 0x10, 0x00, 0x91, 0x24},
    {0x13, 0x00, 0x90, 0x24, 0x10, 0x00, 0x90, 0x24},
}};
// The bytes of an occurrence that become zero.
inline constexpr std::array<std::size_t, 2> kPatchedBytes{0, 4};

// Positions in the source container at which an occurrence may start:
// lowerBound < position < end.
struct PatchWindow {
    std::int64_t lowerBound;
    std::int64_t end;
};

// The window of a source whose disc-image block lies at `dataPsarOffset` and whose
// start-screen block at `startDat`: the image data alone, from its first byte on. The
// head of the disc-image block in front of it holds the block index and the table of
// contents, which are no code and must stay as they are.
PatchWindow imageDataWindow(std::uint64_t dataPsarOffset, std::int64_t startDat);

// Patches every occurrence in `block` (which holds the source's bytes from
// `blockPosition` on) that starts at an index of `firstStart` or more, lies wholly in
// the block and starts inside the window. Returns the number of occurrences patched.
int patchOccurrences(std::span<std::uint8_t> block, std::uint64_t blockPosition, std::size_t firstStart,
                     const PatchWindow& window);

// The patched copy: as the plain copy, but consecutive blocks overlap by 8 bytes so an
// occurrence across a block edge is seen whole; the overlap is carried over from the
// block before, patched, so each occurrence is written patched and counted once.
// `patchCount` goes up by one for each occurrence.
Status copyPatchedImageData(const ImageCopy& copy, const PatchWindow& window, int& patchCount);

// The patch in image data stored in indexed blocks (as the popstation tool stores it),
// which the bytes as stored do not show where blocks are deflated. The copy takes the
// rest of the disc-image block's head as it is, then each block's image bytes (inflated
// where deflated) are patched, occurrences across block edges seen whole and counted
// once; a block that changes is stored anew (deflated again at level 9 where it was
// deflated), a block that does not is copied as it is, and the output's index is
// written anew at `outputIndexPosition`. The blocks are inflated, patched and stored
// anew on all processor cores and written in order; a block that does not inflate
// stops the patch with an error naming the first such block. `copy.range` runs from the
// head's rest to the end of the blocks, which begin at `imageDataStart`.
Status copyPatchedBlocks(const ImageCopy& copy, std::uint64_t imageDataStart, const std::vector<IndexEntry>& index,
                         std::uint64_t outputIndexPosition, int& patchCount);

// The status line after a conversion with the patch requested, by the number of places
// patched.
std::string patchSummary(int patchCount);

}  // namespace quillon
