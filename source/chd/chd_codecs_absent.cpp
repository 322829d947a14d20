// The hunk decoder of a build without the CHD codec libraries (the Windows build):
// ChdDisc::open refuses every CHD there, so no decoder is ever asked to decode.
#include "source/chd/chd_codecs.h"

namespace quillon {

struct ChdHunkDecoder::Libraries {};

ChdHunkDecoder::ChdHunkDecoder(std::uint32_t hunkBytes)
    : frames_(hunkBytes / static_cast<std::uint32_t>(kChdFrameSize)) {}

ChdHunkDecoder::~ChdHunkDecoder() = default;

bool ChdHunkDecoder::decode(std::uint32_t, std::span<const std::uint8_t>, std::span<std::uint8_t>) { return false; }

}  // namespace quillon
