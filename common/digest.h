// SHA-1 and raw deflate/inflate (no zlib or gzip header), over OpenSSL and zlib.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "common/bytes.h"

namespace quillon {

using Sha1 = std::array<std::uint8_t, 20>;
Sha1 sha1(std::span<const std::uint8_t> data);

// The raw deflate stream of `data` at `level` (1 to 9).
Bytes deflateRaw(std::span<const std::uint8_t> data, int level);
// The bytes a raw deflate stream inflates to; nullopt when the stream is damaged, does
// not end, or inflates to other than exactly `expectedSize` bytes.
std::optional<Bytes> inflateRaw(std::span<const std::uint8_t> data, std::size_t expectedSize);

}  // namespace quillon
