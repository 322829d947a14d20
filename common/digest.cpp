#include "common/digest.h"

#include <memory>
#include <new>

#include <libdeflate.h>
#ifndef _WIN32
#include <openssl/evp.h>
#endif

namespace quillon {
namespace {

struct FreeCompressor {
    void operator()(libdeflate_compressor* compressor) const { libdeflate_free_compressor(compressor); }
};
struct FreeDecompressor {
    void operator()(libdeflate_decompressor* decompressor) const { libdeflate_free_decompressor(decompressor); }
};

// A compressor's tables take a while to set up and up to a few MiB: each thread keeps
// the one of the level it used last (threads work on their own blocks at one level).
libdeflate_compressor& compressorFor(int level) {
    thread_local std::unique_ptr<libdeflate_compressor, FreeCompressor> compressor;
    thread_local int compressorLevel = -1;
    if (!compressor || compressorLevel != level) {
        compressor.reset(libdeflate_alloc_compressor(level));
        if (!compressor) throw std::bad_alloc();
        compressorLevel = level;
    }
    return *compressor;
}

libdeflate_decompressor& threadDecompressor() {
    thread_local std::unique_ptr<libdeflate_decompressor, FreeDecompressor> decompressor(
        libdeflate_alloc_decompressor());
    if (!decompressor) throw std::bad_alloc();
    return *decompressor;
}

}  // namespace

#ifdef _WIN32
Sha1 sha1(std::span<const std::uint8_t> data) {
    PortableSha1 hasher;
    hasher.add(data);
    return hasher.finish();
}

Sha1Hasher::Sha1Hasher() = default;

Sha1Hasher::~Sha1Hasher() = default;

void Sha1Hasher::add(std::span<const std::uint8_t> data) { sha1_.add(data); }

Sha1 Sha1Hasher::finish() { return sha1_.finish(); }
#else
Sha1 sha1(std::span<const std::uint8_t> data) {
    Sha1 digest{};
    unsigned int length = 0;
    EVP_Digest(data.data(), data.size(), digest.data(), &length, EVP_sha1(), nullptr);
    return digest;
}

Sha1Hasher::Sha1Hasher() : context_(EVP_MD_CTX_new()) { EVP_DigestInit_ex(context_, EVP_sha1(), nullptr); }

Sha1Hasher::~Sha1Hasher() { EVP_MD_CTX_free(context_); }

void Sha1Hasher::add(std::span<const std::uint8_t> data) { EVP_DigestUpdate(context_, data.data(), data.size()); }

Sha1 Sha1Hasher::finish() {
    Sha1 digest{};
    unsigned int length = 0;
    EVP_DigestFinal_ex(context_, digest.data(), &length);
    return digest;
}
#endif

Bytes deflateRaw(std::span<const std::uint8_t> data, int level) {
    libdeflate_compressor& compressor = compressorFor(level);
    Bytes out(libdeflate_deflate_compress_bound(&compressor, data.size()));
    out.resize(libdeflate_deflate_compress(&compressor, data.data(), data.size(), out.data(), out.size()));
    return out;
}

bool inflateRaw(std::span<const std::uint8_t> data, std::span<std::uint8_t> out) {
    // Without a place for the size it gives, the call fails unless the stream fills
    // `out` exactly.
    return libdeflate_deflate_decompress(&threadDecompressor(), data.data(), data.size(), out.data(), out.size(),
                                         nullptr) == LIBDEFLATE_SUCCESS;
}

std::optional<Bytes> inflateRaw(std::span<const std::uint8_t> data, std::size_t expectedSize) {
    Bytes out(expectedSize);
    if (!inflateRaw(data, out)) return std::nullopt;
    return out;
}

Bytes deflateZlib(std::span<const std::uint8_t> data, int level) {
    libdeflate_compressor& compressor = compressorFor(level);
    Bytes out(libdeflate_zlib_compress_bound(&compressor, data.size()));
    out.resize(libdeflate_zlib_compress(&compressor, data.data(), data.size(), out.data(), out.size()));
    return out;
}

std::uint32_t crc32(std::span<const std::uint8_t> data) { return libdeflate_crc32(0, data.data(), data.size()); }

}  // namespace quillon
