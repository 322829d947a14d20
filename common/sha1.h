// SHA-1 (FIPS 180-4) of our own, for systems without OpenSSL (the Windows build);
// common/digest.h gives the platform's SHA-1.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace quillon {

using Sha1 = std::array<std::uint8_t, 20>;

class PortableSha1 {
public:
    void add(std::span<const std::uint8_t> data);
    // The digest of all the bytes added; the object is done then.
    Sha1 finish();

private:
    void compress(const std::uint8_t* block);

    std::array<std::uint32_t, 5> state_{0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    std::array<std::uint8_t, 64> pending_{};
    std::size_t pendingSize_ = 0;
    std::uint64_t length_ = 0;  // in bytes
};

}  // namespace quillon
