// The disc-image block ("PSISOIMG") that the tool writes for each disc: a head of
// 0x100000 bytes (marker, disc ID text, table of contents, save title, block index)
// followed by the image blocks; and the head of DATA.PSAR for several discs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.h"
#include "common/expected.h"
#include "source/image_index.h"

namespace quillon::popstation {

inline constexpr std::string_view kImageBlockMarker = "PSISOIMG0000";

// The number of blocks the index holds for an image of `imageSize` bytes: the image's
// (the last one completed with zero bytes) and the zero blocks past its end that readers
// expect. An empty image, or one with more blocks than the index holds, is refused.
Expected<std::uint32_t> imageBlockCount(std::uint64_t imageSize, std::size_t maxBlocks = kMaxIndexEntries);

// "_SLUS_01234": an underscore, the ID prefix, an underscore, the ID number.
std::string discIdText(std::string_view discId);

// The head of the block, everything before the image data, with the table of contents
// `toc`; its index is still empty.
Bytes imageBlockHead(std::string_view discId, std::string_view title, std::span<const std::uint8_t> toc);

// The first 0x8000 bytes of DATA.PSAR for several discs: the marker, the disc table
// still empty, zero bytes.
Bytes titleImageHead();

}  // namespace quillon::popstation
