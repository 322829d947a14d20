#include "common/digest.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include <libdeflate.h>
#ifndef _WIN32
#include <openssl/evp.h>
#endif

namespace quillon {
namespace {

// A compressor's tables take a while to set up and up to a few MiB, so the ones made are
// kept for later calls: each call borrows one of its level (or of none, for the
// decompressors) and gives it back, so there are never more than the threads that
// deflate at once. Not kept per thread: the thread-local objects of MinGW-w64 builds are
// freed before their destructors run when a thread ends.
template <typename Codec, void (*freeCodec)(Codec*)>
class CodecPool {
public:
    ~CodecPool() {
        for (const auto& [level, codec] : idle_) freeCodec(codec);
    }

    struct GiveBack {
        CodecPool* pool;
        int level;
        void operator()(Codec* codec) const { pool->giveBack(level, codec); }
    };

    // A codec of `level` for the caller alone, made by `make` when none is idle.
    template <typename Make>
    std::unique_ptr<Codec, GiveBack> borrow(int level, Make make) {
        Codec* codec = takeIdle(level);
        if (!codec) codec = make();
        if (!codec) throw std::bad_alloc();
        return {codec, GiveBack{this, level}};
    }

private:
    Codec* takeIdle(int level) {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = std::find_if(idle_.begin(), idle_.end(), [level](const auto& e) { return e.first == level; });
        if (it == idle_.end()) return nullptr;
        Codec* codec = it->second;
        idle_.erase(it);
        return codec;
    }
    void giveBack(int level, Codec* codec) {
        std::lock_guard<std::mutex> lock(mutex_);
        idle_.emplace_back(level, codec);
    }

    std::mutex mutex_;
    std::vector<std::pair<int, Codec*>> idle_;
};

CodecPool<libdeflate_compressor, libdeflate_free_compressor> gCompressors;
CodecPool<libdeflate_decompressor, libdeflate_free_decompressor> gDecompressors;

auto compressorFor(int level) {
    return gCompressors.borrow(level, [level] { return libdeflate_alloc_compressor(level); });
}

auto decompressor() {
    return gDecompressors.borrow(0, [] { return libdeflate_alloc_decompressor(); });
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
    const auto compressor = compressorFor(level);
    Bytes out(libdeflate_deflate_compress_bound(compressor.get(), data.size()));
    out.resize(libdeflate_deflate_compress(compressor.get(), data.data(), data.size(), out.data(), out.size()));
    return out;
}

bool inflateRaw(std::span<const std::uint8_t> data, std::span<std::uint8_t> out) {
    // Without a place for the size it gives, the call fails unless the stream fills
    // `out` exactly.
    return libdeflate_deflate_decompress(decompressor().get(), data.data(), data.size(), out.data(), out.size(),
                                         nullptr) == LIBDEFLATE_SUCCESS;
}

std::optional<Bytes> inflateRaw(std::span<const std::uint8_t> data, std::size_t expectedSize) {
    Bytes out(expectedSize);
    if (!inflateRaw(data, out)) return std::nullopt;
    return out;
}

Bytes deflateZlib(std::span<const std::uint8_t> data, int level) {
    const auto compressor = compressorFor(level);
    Bytes out(libdeflate_zlib_compress_bound(compressor.get(), data.size()));
    out.resize(libdeflate_zlib_compress(compressor.get(), data.data(), data.size(), out.data(), out.size()));
    return out;
}

std::uint32_t crc32(std::span<const std::uint8_t> data) { return libdeflate_crc32(0, data.data(), data.size()); }

}  // namespace quillon
