// The CD codecs of a CHD. Each keeps a hunk's frames as two streams compressed apart:
// their 2,352-byte sector areas one after the other (the "base"), then their 96-byte
// subcode areas. cdzl (deflate), cdlz (LZMA, subcode deflated) and cdzs (Zstandard)
// start with a bitmap of the frames whose sync and ECC were taken out (to be made
// again) and the base stream's length; cdfl codes the base as 16-bit stereo samples in
// FLAC frames whose end only the decoder finds, its subcode deflated behind them.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "common/bytes.h"
#include "source/chd/chd_header.h"

namespace quillon {

inline constexpr std::uint32_t kChdCodecCdzl = chdTag("cdzl");
inline constexpr std::uint32_t kChdCodecCdlz = chdTag("cdlz");
inline constexpr std::uint32_t kChdCodecCdzs = chdTag("cdzs");
inline constexpr std::uint32_t kChdCodecCdfl = chdTag("cdfl");

// True for the four codecs above.
inline bool isChdCdCodec(std::uint32_t codec) {
    return codec == kChdCodecCdzl || codec == kChdCodecCdlz || codec == kChdCodecCdzs || codec == kChdCodecCdfl;
}

// Decodes the hunks of one CHD, one at a time; it keeps the libraries' decoders and its
// buffers from hunk to hunk. One thread uses it at a time.
class ChdHunkDecoder {
public:
    explicit ChdHunkDecoder(std::uint32_t hunkBytes);
    ~ChdHunkDecoder();
    ChdHunkDecoder(const ChdHunkDecoder&) = delete;
    ChdHunkDecoder& operator=(const ChdHunkDecoder&) = delete;

    // Decodes `data`, compressed with `codec` (a CD codec), into `hunk` (hunkBytes bytes,
    // each frame's sector and subcode joined again, the sectors whose ECC was taken out
    // restored). False when the data is not of that codec or does not give exactly one
    // hunk.
    [[nodiscard]] bool decode(std::uint32_t codec, std::span<const std::uint8_t> data, std::span<std::uint8_t> hunk);

private:
    struct Libraries;

    bool decodeSeparated(std::uint32_t codec, std::span<const std::uint8_t> data);
    bool decodeFlac(std::span<const std::uint8_t> data);
    void joinFrames(std::span<std::uint8_t> hunk) const;

    std::uint32_t frames_;
    std::unique_ptr<Libraries> libraries_;
    Bytes base_, subcode_;
    Bytes eccFlags_;
};

}  // namespace quillon
