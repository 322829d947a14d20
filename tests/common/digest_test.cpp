#include "common/digest.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace quillon {
namespace {

// Text with some repetition and some variety, as deflate meets it on a disc.
Bytes sampleText(std::size_t size) {
    std::string text;
    for (std::uint32_t i = 0; text.size() < size; ++i) text += "sector " + std::to_string(i * 7919 % 10007) + "; ";
    return Bytes(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(size));
}

TEST(DeflateTest, EveryLevelInflatesBackAndTheStrongestIsTheSmallest) {
    const Bytes data = sampleText(0x9300);
    for (int level = 1; level <= kStrongestDeflateLevel; ++level) {
        SCOPED_TRACE(level);
        const Bytes packed = deflateRaw(data, level);
        EXPECT_LT(packed.size(), data.size() / 2);
        EXPECT_EQ(inflateRaw(packed, data.size()), data);
    }
    EXPECT_LT(deflateRaw(data, kStrongestDeflateLevel).size(), deflateRaw(data, 9).size());
}

TEST(DeflateTest, TheSameBytesOnEveryThreadWhateverLevelEachUsedBefore) {
    const Bytes data = sampleText(50000);
    const Bytes level6 = deflateRaw(data, 6);
    const Bytes level12 = deflateRaw(data, kStrongestDeflateLevel);
    std::vector<Bytes> results(4);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&, i] {
            deflateRaw(data, i % 2 ? 1 : kStrongestDeflateLevel);  // a thread's compressor of another level
            results[i] = deflateRaw(data, i < 2 ? 6 : kStrongestDeflateLevel);
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(results[0], level6);
    EXPECT_EQ(results[1], level6);
    EXPECT_EQ(results[2], level12);
    EXPECT_EQ(results[3], level12);
}

TEST(InflateTest, OnlyAStreamOfExactlyTheExpectedSizeInflates) {
    const Bytes data = sampleText(1000);
    Bytes packed = deflateRaw(data, 9);
    Bytes out(data.size());
    EXPECT_TRUE(inflateRaw(packed, out));
    EXPECT_EQ(out, data);
    Bytes fewer(data.size() - 1), more(data.size() + 1);
    EXPECT_FALSE(inflateRaw(packed, fewer));
    EXPECT_FALSE(inflateRaw(packed, more));
    EXPECT_FALSE(inflateRaw(std::span(packed).first(packed.size() / 2), out));
    EXPECT_FALSE(inflateRaw(Bytes{}, out));
    Bytes damaged = packed;
    damaged[0] |= 0x06;  // the first block's type becomes 3, which is reserved
    EXPECT_FALSE(inflateRaw(damaged, out));
    // Bytes after the end of the stream are not looked at.
    packed.insert(packed.end(), {0, 0xFF, 7});
    EXPECT_EQ(inflateRaw(packed, data.size()), data);
}

TEST(ZlibFormatTest, PngStreamsAndChecksums) {
    const std::string digits = "123456789";
    EXPECT_EQ(crc32(Bytes(digits.begin(), digits.end())), 0xCBF43926u);
    EXPECT_EQ(crc32(Bytes{}), 0u);
    const Bytes data = sampleText(3000);
    const Bytes zlib = deflateZlib(data, 9);
    ASSERT_GT(zlib.size(), 6u);
    EXPECT_EQ(zlib[0], 0x78);  // deflate with a window of 32 KiB
    EXPECT_EQ((zlib[0] * 256 + zlib[1]) % 31, 0);
    EXPECT_EQ(inflateRaw(std::span(zlib).subspan(2, zlib.size() - 6), data.size()), data);
}

}  // namespace
}  // namespace quillon
