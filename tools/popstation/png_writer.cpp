#include "tools/popstation/png_writer.h"

#include <algorithm>
#include <string_view>

#include "common/digest.h"

namespace quillon::popstation {
namespace {

void appendBe32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// Length, type, data, and the CRC over type and data.
void appendChunk(Bytes& out, std::string_view type, std::span<const std::uint8_t> data) {
    appendBe32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeStart = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    appendBe32(out, crc32(std::span(out).subspan(typeStart)));
}

}  // namespace

Bytes encodePng(std::uint32_t width, std::uint32_t height, std::span<const std::uint8_t> rgb) {
    const std::size_t rowBytes = std::size_t{width} * 3;
    // Each row starts with its filter type, 0 (none).
    Bytes raw;
    raw.reserve((rowBytes + 1) * height);
    for (std::uint32_t y = 0; y < height; ++y) {
        raw.push_back(0);
        const auto row = rgb.subspan(y * rowBytes, rowBytes);
        raw.insert(raw.end(), row.begin(), row.end());
    }
    const Bytes packed = deflateZlib(raw, 9);

    Bytes header;
    appendBe32(header, width);
    appendBe32(header, height);
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter set, no interlace

    Bytes png(std::begin(kPngSignature), std::end(kPngSignature));
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", packed);
    appendChunk(png, "IEND", {});
    return png;
}

bool looksLikePng(std::span<const std::uint8_t> data) {
    return data.size() >= sizeof kPngSignature &&
           std::equal(std::begin(kPngSignature), std::end(kPngSignature), data.begin());
}

Bytes placeholderStartScreen() {
    constexpr std::uint32_t kWidth = 480, kHeight = 272, kFrameInset = 12, kFrameWidth = 2;
    Bytes rgb(std::size_t{kWidth} * kHeight * 3);
    for (std::uint32_t y = 0; y < kHeight; ++y) {
        for (std::uint32_t x = 0; x < kWidth; ++x) {
            const bool onFrame =
                (x >= kFrameInset && x < kWidth - kFrameInset && y >= kFrameInset && y < kHeight - kFrameInset) &&
                (x < kFrameInset + kFrameWidth || x >= kWidth - kFrameInset - kFrameWidth ||
                 y < kFrameInset + kFrameWidth || y >= kHeight - kFrameInset - kFrameWidth);
            std::uint8_t* pixel = &rgb[(std::size_t{y} * kWidth + x) * 3];
            if (onFrame) {
                pixel[0] = 150, pixel[1] = 170, pixel[2] = 200;
            } else {
                pixel[0] = static_cast<std::uint8_t>(8 + 16 * (kHeight - y) / kHeight);
                pixel[1] = static_cast<std::uint8_t>(12 + 24 * (kHeight - y) / kHeight);
                pixel[2] = static_cast<std::uint8_t>(24 + 64 * (kHeight - y) / kHeight);
            }
        }
    }
    return encodePng(kWidth, kHeight, rgb);
}

}  // namespace quillon::popstation
