// The PAL-to-NTSC patch: two 8-byte code patterns in the image data whose bytes 0 and
// 4 are set to zero on the way into the finished container, and the status-line
// summary of how many places were patched.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <vector>
#include <span>
#include <string>
#include <utility>

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
// lowerBound < position < end; of those found there, `admits` (when set) chooses the
// ones that are patched.
struct PatchWindow {
    PatchWindow(std::int64_t lowerBound, std::int64_t end,
                std::function<bool(std::uint64_t position)> admits = {})
        : lowerBound(lowerBound), end(end), admits(std::move(admits)) {}

    std::int64_t lowerBound;
    std::int64_t end;
    std::function<bool(std::uint64_t position)> admits;
};

// The window of a source whose disc-image block lies at `dataPsarOffset` and whose
// start-screen block at `startDat`: the image data alone, from its first byte on. The
// head of the disc-image block in front of it holds the block index and the table of
// contents, which are no code and must stay as they are.
PatchWindow imageDataWindow(std::uint64_t dataPsarOffset, std::int64_t startDat);

// Patches every occurrence in `block` (which holds the source's bytes from
// `blockPosition` on) that starts at an index of `firstStart` or more, lies wholly in
// the block and starts inside the window. Returns the number of occurrences patched.
int patchOccurrences(std::span<std::uint8_t> block, std::uint64_t blockPosition,
                     std::size_t firstStart, const PatchWindow& window);

// The patched copy: as the plain copy, but consecutive blocks overlap by 8 bytes so an
// occurrence across a block edge is seen whole; the overlap is carried over from the
// block before, patched, so each occurrence is written patched and counted once.
// `patchCount` goes up by one for each occurrence.
Status copyPatchedImageData(const ImageCopy& copy, const PatchWindow& window, int& patchCount);

// The patch in image data stored in indexed blocks (as the popstation tool stores it):
// the bytes of a deflated block are no code, and patching them would damage the block,
// so an occurrence is patched only where all its bytes lie in blocks stored as they are;
// and such a block, once patched, gets the checksum of its new bytes in the index.
class IndexedBlockPatch {
public:
    // `index` describes the image data from `imageDataStart` (a source position) on.
    IndexedBlockPatch(std::vector<IndexEntry> index, std::uint64_t imageDataStart);

    // Whether an occurrence at this source position may be patched; remembers its blocks.
    bool admits(std::uint64_t position);
    // Writes the checksums of the patched blocks into the output's index: the output's
    // image data starts at `outputImageDataStart`, its index at `outputIndexStart`.
    Status updateChecksums(OutputFile& output, std::uint64_t outputImageDataStart,
                           std::uint64_t outputIndexStart) const;

private:
    // The index of the block holding image offset `offset`.
    std::size_t blockAt(std::uint64_t offset) const;

    std::vector<IndexEntry> index_;
    std::uint64_t imageDataStart_;
    std::set<std::size_t> patchedBlocks_;
};

// The status line after a conversion with the patch requested, by the count that
// started at -1.
std::string patchSummary(int patchCount);

}  // namespace quillon
