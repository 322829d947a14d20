// Containers of several discs: DATA.PSAR starts with "PSTITLEIMG000000" instead of a
// disc-image block and holds a disc table at 0x200, five 32-bit offsets from the start
// of DATA.PSAR, one per disc in order, unused ones 0 (readers count the discs up to the
// first 0). Each offset leads to a complete disc-image block ("PSISOIMG0000", its ID
// text, table of contents, index and blocks). The project's tool starts each disc's
// block on a multiple of 0x8000 from the start of DATA.PSAR and leaves the rest of the
// first 0x8000 bytes zero.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/expected.h"
#include "common/file_io.h"
#include "source/image_index.h"
#include "source/pbp.h"

namespace quillon {

inline constexpr std::string_view kTitleImageMarker = "PSTITLEIMG000000";
inline constexpr std::uint64_t kDiscTableOffset = 0x200;
inline constexpr std::size_t kMaxDiscs = 5;
inline constexpr std::uint64_t kDiscAlignment = 0x8000;

// True when the bytes at the start of DATA.PSAR (`head`) begin with "PSTITLEIMG000000".
bool hasTitleImageMarker(std::span<const std::uint8_t> head);

// A disc-image block of a container, and the stretch of the file it has: up to the next
// disc's block, or to the start-screen block after the last disc.
struct DiscBlock {
    std::uint64_t position = 0;  // of its "PSISOIMG" marker
    std::uint64_t end = 0;

    ImageDataExtent imageData() const { return {position + kImageDataOffset, end}; }
};

// The blocks at `positions` (ascending), the last one ending at `startDat`, the
// position of the start-screen block; nullopt when there is none (-1) or when it leaves
// the last disc's image data empty or ends it before it starts.
std::optional<std::vector<DiscBlock>> discBlocks(const std::vector<std::uint64_t>& positions,
                                                 std::optional<std::uint64_t> startDat);

// The disc table: the offsets from the start of DATA.PSAR of the discs' blocks, the
// unused slots 0.
Bytes discTable(const std::vector<std::uint32_t>& discOffsets);

// Zero bytes from the end of `output` up to the next multiple of 0x8000 from the
// DATA.PSAR at `dataPsarOffset`, where the next disc's block starts.
Status padToDiscAlignment(OutputFile& output, std::uint64_t dataPsarOffset);

// The disc table as read: the positions in the container of the discs' blocks, up to
// the first that is not right, and what is wrong with the table (empty when nothing is).
struct DiscTable {
    std::vector<std::uint64_t> positions;
    std::string fault;  // a clause: "disc 2 lies past the end of the file"
};

// The positions in `container` of the disc-image blocks that the disc table of the
// DATA.PSAR at `dataPsarOffset` names: at least one, each after the table and inside the
// file, ascending, each past the head of the one before it (0x100000 bytes), each at a
// "PSISOIMG" marker. The error says what is wrong and names the file.
Expected<std::vector<std::uint64_t>> readDiscTable(InputFile& container, std::uint64_t dataPsarOffset);

// The container's disc-image blocks: the one at DATA.PSAR, or those that the disc table
// of a container of several discs names, with what is wrong with that table. nullopt
// when DATA.PSAR starts with neither; an error only when a read fails.
Expected<std::optional<DiscTable>> locateDiscBlocks(InputFile& container, std::uint64_t dataPsarOffset);

// The positions of the container's disc-image blocks, as locateDiscBlocks finds them,
// each also past the stored blocks of the one before it (which its block index names);
// an error also when the disc table is not right.
Expected<std::optional<std::vector<std::uint64_t>>> findDiscBlocks(InputFile& container, std::uint64_t dataPsarOffset);

}  // namespace quillon
