// A minimal PNG encoder (8-bit RGB, no interlace) for the tool's own start-screen
// picture.
#pragma once

#include <cstdint>
#include <span>

#include "common/bytes.h"

namespace quillon::popstation {

inline constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// `rgb` holds width * height pixels of three bytes, row by row.
Bytes encodePng(std::uint32_t width, std::uint32_t height, std::span<const std::uint8_t> rgb);

bool looksLikePng(std::span<const std::uint8_t> data);

// The start-screen picture used without a sample container: 480 x 272, the PSP's
// screen, a dark blue gradient inside a thin frame.
Bytes placeholderStartScreen();

}  // namespace quillon::popstation
