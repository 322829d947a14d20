#include "source/chd/cd_ecc.h"

#include <algorithm>
#include <array>

namespace quillon {
namespace {

constexpr std::size_t kHeaderOffset = 12;
constexpr std::size_t kModeByte = 15;
constexpr std::size_t kPOffset = 0x81C;
constexpr std::size_t kQOffset = 0x8C8;
constexpr std::size_t kPVectors = 86, kPLength = 24;
constexpr std::size_t kQVectors = 52, kQLength = 43;
constexpr std::array<std::uint8_t, 12> kSync{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

// GF(2^8) over x^8 + x^4 + x^3 + x^2 + 1: multiplication by alpha (2), and division by
// alpha + 1 as a table.
constexpr std::uint8_t timesAlpha(std::uint8_t x) {
    return static_cast<std::uint8_t>((x << 1) ^ ((x & 0x80) ? 0x11D : 0));
}

struct Tables {
    std::array<std::uint8_t, 256> byAlphaPlusOne{};
    // The positions, counted from the header, of each vector's bytes.
    std::array<std::array<std::uint16_t, kPLength>, kPVectors> p{};
    std::array<std::array<std::uint16_t, kQLength>, kQVectors> q{};

    Tables() {
        for (unsigned x = 0; x < 256; ++x) {
            const auto byte = static_cast<std::uint8_t>(x);
            byAlphaPlusOne[byte ^ timesAlpha(byte)] = byte;
        }
        for (std::size_t r = 0; r < kPVectors; ++r) {
            for (std::size_t k = 0; k < kPLength; ++k) p[r][k] = static_cast<std::uint16_t>(r + kPVectors * k);
        }
        for (std::size_t r = 0; r < kQVectors; ++r) {
            const std::size_t diagonal = r >> 1, plane = r & 1;
            for (std::size_t k = 0; k < kQLength; ++k) {
                q[r][k] = static_cast<std::uint16_t>(2 * ((44 * k + 43 * diagonal) % 1118) + plane);
            }
        }
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

// The two parity bytes of the data at `positions` that make the codeword sum to zero,
// plain and weighted by powers of alpha; written at `parity` and `parity + stride`.
template <std::size_t N>
void writeParity(std::span<std::uint8_t> sector, const std::array<std::uint16_t, N>& positions, bool zeroHeader,
                 std::size_t parity, std::size_t stride) {
    std::uint8_t sum = 0, weighted = 0;
    for (const std::uint16_t position : positions) {
        const std::uint8_t d = zeroHeader && position < 4 ? 0 : sector[kHeaderOffset + position];
        sum ^= d;
        weighted = timesAlpha(weighted ^ d);
    }
    const std::uint8_t first = tables().byAlphaPlusOne[timesAlpha(weighted) ^ sum];
    sector[parity] = first;
    sector[parity + stride] = sum ^ first;
}

}  // namespace

void restoreCdSectorEcc(std::span<std::uint8_t> sector) {
    std::copy(kSync.begin(), kSync.end(), sector.begin());
    const bool zeroHeader = sector[kModeByte] == 2;
    const Tables& t = tables();
    for (std::size_t r = 0; r < kPVectors; ++r) writeParity(sector, t.p[r], zeroHeader, kPOffset + r, kPVectors);
    for (std::size_t r = 0; r < kQVectors; ++r) writeParity(sector, t.q[r], zeroHeader, kQOffset + r, kQVectors);
}

}  // namespace quillon
