#include "common/sha1.h"

#include <bit>
#include <cstring>

namespace quillon {

void PortableSha1::compress(const std::uint8_t* block) {
    std::array<std::uint32_t, 80> w;
    for (std::size_t i = 0; i < 16; ++i) {
        w[i] = std::uint32_t{block[4 * i]} << 24 | std::uint32_t{block[4 * i + 1]} << 16 |
               std::uint32_t{block[4 * i + 2]} << 8 | std::uint32_t{block[4 * i + 3]};
    }
    for (std::size_t i = 16; i < 80; ++i) w[i] = std::rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    auto [a, b, c, d, e] = state_;
    for (std::size_t i = 0; i < 80; ++i) {
        std::uint32_t f, k;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6;
        }
        const std::uint32_t next = std::rotl(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = std::rotl(b, 30);
        b = a;
        a = next;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
    state_[4] += e;
}

void PortableSha1::add(std::span<const std::uint8_t> data) {
    length_ += data.size();
    if (pendingSize_ > 0) {
        const std::size_t take = std::min(data.size(), pending_.size() - pendingSize_);
        std::memcpy(pending_.data() + pendingSize_, data.data(), take);
        pendingSize_ += take;
        data = data.subspan(take);
        if (pendingSize_ < pending_.size()) return;
        compress(pending_.data());
        pendingSize_ = 0;
    }
    for (; data.size() >= pending_.size(); data = data.subspan(pending_.size())) compress(data.data());
    std::memcpy(pending_.data(), data.data(), data.size());
    pendingSize_ = data.size();
}

Sha1 PortableSha1::finish() {
    // The message ends with a 1 bit, zeros up to 8 bytes short of a block's end, and
    // its length in bits, big-endian.
    const std::uint64_t bits = length_ * 8;
    std::array<std::uint8_t, 72> tail{0x80};
    const std::size_t zeros = (pendingSize_ < 56 ? 56 : 120) - pendingSize_;
    for (std::size_t i = 0; i < 8; ++i) tail[zeros + i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
    add(std::span(tail.data(), zeros + 8));
    Sha1 digest{};
    for (std::size_t i = 0; i < 20; ++i) digest[i] = static_cast<std::uint8_t>(state_[i / 4] >> (24 - 8 * (i % 4)));
    return digest;
}

}  // namespace quillon
