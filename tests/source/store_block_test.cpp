#include "source/image_index.h"

#include <gtest/gtest.h>

#include "common/digest.h"

namespace quillon {
namespace {

// A block of `noiseBytes` bytes of noise, then zeros.
Bytes noiseThenZeros(std::size_t noiseBytes) {
    Bytes block(kImageBlockSize, 0);
    std::uint32_t noise = 2463534242u;
    for (std::size_t i = 0; i < noiseBytes; ++i) {
        noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
        block[i] = static_cast<std::uint8_t>(noise);
    }
    return block;
}

TEST(StoreBlockTest, AnIncompressibleBlockIsStillDeflatedAtEveryLevelButZero) {
    const Bytes block = noiseThenZeros(kImageBlockSize);
    for (const int level : {1, 9, kStrongestDeflateLevel}) {
        const Bytes stored = storeBlock(block, level);
        EXPECT_GT(stored.size(), kImageBlockSize);  // deflate's stored mode
        EXPECT_LE(stored.size(), kLongestStoredBlock);
        EXPECT_EQ(inflateRaw(stored, kImageBlockSize), block);
    }
    EXPECT_EQ(storeBlock(block, 0), block);
}

TEST(StoreBlockTest, AStreamOfExactlyTheBlockSizeGetsOneZeroByteMore) {
    // The stream grows by about a byte for each byte of noise: one of these blocks
    // deflates to exactly 0x9300 bytes.
    std::optional<Bytes> exact;
    for (std::size_t noise = kImageBlockSize - 200; noise <= kImageBlockSize && !exact; ++noise) {
        Bytes block = noiseThenZeros(noise);
        if (deflateRaw(block, 9).size() == kImageBlockSize) exact = std::move(block);
    }
    ASSERT_TRUE(exact.has_value());
    const Bytes stored = storeBlock(*exact, 9);
    ASSERT_EQ(stored.size(), kImageBlockSize + 1);
    EXPECT_EQ(stored.back(), 0);
    EXPECT_EQ(inflateRaw(stored, kImageBlockSize), *exact);
}

TEST(StoreBlockTest, TheMostStoredBytesOfAnImageHoldItsBlocksAndTheZeroBlocksPastIt) {
    // 1,000 sectors and 150 more: 72 blocks of 16 sectors; part of a sector counts whole.
    EXPECT_EQ(mostStoredBytes(1000 * kSectorSize), 72 * kLongestStoredBlock);
    EXPECT_EQ(mostStoredBytes(1000 * kSectorSize + 1), 72 * kLongestStoredBlock);
    EXPECT_EQ(mostStoredBytes(0), 10 * kLongestStoredBlock);
}

}  // namespace
}  // namespace quillon
