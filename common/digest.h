// SHA-1 over OpenSSL (on Windows our own, common/sha1.h); over libdeflate, deflate and
// inflate of whole buffers (raw, or in the zlib format that PNG pictures use) and the
// CRC-32 of PNG chunks.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "common/bytes.h"
#include "common/sha1.h"

struct evp_md_ctx_st;  // OpenSSL's digest state

namespace quillon {

Sha1 sha1(std::span<const std::uint8_t> data);

// The SHA-1 of data that arrives in parts.
class Sha1Hasher {
public:
    Sha1Hasher();
    ~Sha1Hasher();
    Sha1Hasher(const Sha1Hasher&) = delete;
    Sha1Hasher& operator=(const Sha1Hasher&) = delete;

    void add(std::span<const std::uint8_t> data);
    // The digest of all the parts added; the hasher is done then.
    Sha1 finish();

private:
#ifdef _WIN32
    PortableSha1 sha1_;
#else
    ::evp_md_ctx_st* context_;
#endif
};

// Levels 1 to 9 compress as zlib's levels of those numbers are meant to (9: the best
// of the usual ones); 10 to 12 search harder still, 12 giving the smallest output at
// many times the time of 9.
inline constexpr int kStrongestDeflateLevel = 12;

// The raw deflate stream of `data` at `level` (1 to 12). The same bytes for the same
// data and level on every system.
Bytes deflateRaw(std::span<const std::uint8_t> data, int level);
// Inflates a raw deflate stream into `out`; false when the stream is damaged, does not
// end, or inflates to other than exactly out.size() bytes. Bytes after the end of the
// stream are ignored.
bool inflateRaw(std::span<const std::uint8_t> data, std::span<std::uint8_t> out);
// The same into bytes of their own: nullopt where the above gives false.
std::optional<Bytes> inflateRaw(std::span<const std::uint8_t> data, std::size_t expectedSize);

// The deflate stream of `data` at `level` in the zlib format (header and checksum).
Bytes deflateZlib(std::span<const std::uint8_t> data, int level);
// The CRC-32 of `data` as zlib, gzip and PNG compute it.
std::uint32_t crc32(std::span<const std::uint8_t> data);

}  // namespace quillon
