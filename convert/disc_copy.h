// The disc-image blocks of a container of several discs on their way into the finished
// container: each disc's head takes the save ID and the save title, and the PAL patch
// works through each disc's image data on its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "convert/image_copy.h"
#include "source/image_index.h"
#include "source/multi_disc.h"

namespace quillon {

// The ID text and the save title as they stand in the head of a disc-image block.
struct DiscHeadFields {
    std::string discIdText;  // "_SLUS_01234"
    std::string saveTitle;
};

// Writes the two fields into a disc-image block's head that starts at `block`.
void writeDiscHeadFields(std::span<std::uint8_t> block, const DiscHeadFields& fields);
// The same into a container being written, whose disc-image blocks start at the
// output positions `blocks`.
Status writeDiscHeadFields(OutputFile& output, const std::vector<std::uint64_t>& blocks, const DiscHeadFields& fields);

// Where a block's head says its image data starts: a source that left it 0 (written
// before readers relied on it) gets 0x100000, where the image data of every block stands;
// any other value is kept.
void markImageDataPosition(std::span<std::uint8_t> block);
// The same for the discs of a container being written: the blocks at `sourceBlocks` in
// `source` came to lie at `outputBlocks` in `output`.
Status markImageDataPositions(InputFile& source, const std::vector<std::uint64_t>& sourceBlocks, OutputFile& output,
                              const std::vector<std::uint64_t>& outputBlocks);

// One disc's block through the PAL patch, from `copy.range.start` in its head to the end
// of the range: with its index, block by block, the output's index written anew at
// `outputBlock`'s; without one, the patched copy over its image data alone.
Status copyPatchedDisc(const ImageCopy& copy, const DiscBlock& disc, const BlockIndex& index, std::uint64_t outputBlock,
                       int& patchCount);

// The patched copy of the discs of a container: `copy.range` runs from the rest of the
// title head (DATA.PSAR + 4,780) to the start-screen block, `discs` lie in it, and
// `indexes` tell how each disc's image data is stored (a valid or an absent index). A
// disc whose blocks the patch stores anew can change in size: every disc's block starts
// again on a multiple of 0x8000 from DATA.PSAR, which the output has at
// `outputDataPsar`, and the disc table is written anew. Gives the output positions of
// the discs' blocks.
Expected<std::vector<std::uint64_t>> copyPatchedDiscs(const ImageCopy& copy, const std::vector<DiscBlock>& discs,
                                                      const std::vector<BlockIndex>& indexes,
                                                      std::uint64_t outputDataPsar, int& patchCount);

}  // namespace quillon
