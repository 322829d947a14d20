// The disc-image block ("PSISOIMG") that the tool writes at the DATA.PSAR offset: a head
// of 0x100000 bytes (marker, disc ID text, table of contents, save title, block index)
// followed by the image blocks.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.h"
#include "common/expected.h"
#include "source/image_index.h"

namespace quillon::popstation {

inline constexpr std::string_view kImageBlockMarker = "PSISOIMG0000";
inline constexpr std::size_t kTocEntrySize = 10;
inline constexpr std::size_t kTocSize = 4 * kTocEntrySize;

// The number of blocks of an image of `imageSize` bytes (the last one completed with
// zero bytes). An empty image, or one with more blocks than the index holds, is refused.
Expected<std::uint32_t> imageBlockCount(std::uint64_t imageSize,
                                        std::size_t maxBlocks = kMaxIndexEntries);

// "_SLUS_01234": an underscore, the ID prefix, an underscore, the ID number.
std::string discIdText(std::string_view discId);

// One data track over the whole image: first track, last track, lead-out, track 1.
std::array<std::uint8_t, kTocSize> tableOfContents(std::uint64_t imageSize);

// The head of the block, everything before the image data; its index is still empty.
Bytes imageBlockHead(std::string_view discId, std::string_view title, std::uint64_t imageSize);


}  // namespace quillon::popstation
