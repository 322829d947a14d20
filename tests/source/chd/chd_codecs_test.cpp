// The hunk decoder on hunks compressed here: cdzs (which Debian's chdman cannot write)
// and cdzl, the sectors whose ECC was taken out made whole again, and data that does not
// decode refused. cdlz and cdfl are decoded from chdman's files (chd_disc_test.cpp).
#include <gtest/gtest.h>

#include "source/chd/chd_codecs.h"
#include "support/chd_writer.h"

namespace quillon::testing {
namespace {

constexpr std::uint32_t kHunkBytes = 8 * kChdFrameSize;

// Eight frames: data sectors of each kind and audio, with subcode of noise.
Bytes testHunk() {
    Bytes hunk;
    const SectorKind kinds[] = {SectorKind::Form1, SectorKind::Mode1, SectorKind::Form2, SectorKind::Audio,
                                SectorKind::Form1, SectorKind::Audio, SectorKind::Mode1, SectorKind::Form1};
    for (std::uint64_t i = 0; i < 8; ++i) {
        Bytes frame = cdSector(kinds[i], 100 + i, 9);
        frame.resize(kChdFrameSize);
        fillNoise(std::span(frame).subspan(kSectorSize), i);
        hunk.insert(hunk.end(), frame.begin(), frame.end());
    }
    return hunk;
}

Bytes decoded(std::uint32_t codec, const Bytes& data) {
    ChdHunkDecoder decoder(kHunkBytes);
    Bytes hunk(kHunkBytes);
    if (!decoder.decode(codec, data, hunk)) return {};
    return hunk;
}

class SeparatedCodecTest : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(SeparatedCodecTest, DecodesTheHunkItsLibraryCompressed) {
    const Bytes hunk = testHunk();
    EXPECT_TRUE(decoded(GetParam(), compressCdHunk(GetParam(), hunk)) == hunk);
}

TEST_P(SeparatedCodecTest, RestoresTheSyncAndEccOfFlaggedFrames) {
    const Bytes hunk = testHunk();
    // As chdman stores sectors whose ECC is right: sync and P/Q zero, their bits set.
    Bytes stripped = hunk;
    const std::uint8_t flags = 0b11010011;  // the Mode 1 and Form 1 sectors
    for (std::size_t i = 0; i < 8; ++i) {
        if (!((flags >> i) & 1)) continue;
        std::fill_n(stripped.begin() + static_cast<std::ptrdiff_t>(i * kChdFrameSize), 12, 0);
        std::fill_n(stripped.begin() + static_cast<std::ptrdiff_t>(i * kChdFrameSize + 0x81C), 0x930 - 0x81C, 0);
    }
    Bytes data = compressCdHunk(GetParam(), stripped);
    data[0] = flags;
    EXPECT_TRUE(decoded(GetParam(), data) == hunk);
}

TEST_P(SeparatedCodecTest, RefusesDataThatDoesNotGiveAHunk) {
    const Bytes good = compressCdHunk(GetParam(), testHunk());
    Bytes longBase = good;
    longBase[2] = 0xFF;  // the base said to reach past the data
    Bytes cutSubcode(good.begin(), good.end() - 3);
    Bytes garbled = good;
    for (std::size_t i = 3; i < garbled.size(); i += 7) garbled[i] ^= 0x5A;
    for (const Bytes& data : {Bytes{}, Bytes{0}, longBase, cutSubcode, garbled}) {
        EXPECT_TRUE(decoded(GetParam(), data).empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Codecs, SeparatedCodecTest, ::testing::Values(kChdCodecCdzs, kChdCodecCdzl),
                         [](const auto& info) { return chdCodecName(info.param); });

TEST(ChdHunkDecoderTest, OneDecoderDecodesHunkAfterHunkOfEitherCodec) {
    ChdHunkDecoder decoder(kHunkBytes);
    Bytes hunk(kHunkBytes);
    const Bytes first = testHunk();
    Bytes second = first;
    std::reverse(second.begin(), second.end());
    for (const std::uint32_t codec : {kChdCodecCdzs, kChdCodecCdzl, kChdCodecCdzs}) {
        for (const Bytes* expected : std::initializer_list<const Bytes*>{&first, &second}) {
            ASSERT_TRUE(decoder.decode(codec, compressCdHunk(codec, *expected), hunk));
            EXPECT_TRUE(hunk == *expected);
        }
    }
}

TEST(ChdHunkDecoderTest, FlacAndLzmaRefuseDataThatIsNotTheirs) {
    const Bytes data = compressCdHunk(kChdCodecCdzs, testHunk());
    EXPECT_TRUE(decoded(kChdCodecCdfl, data).empty());
    EXPECT_TRUE(decoded(kChdCodecCdlz, data).empty());
    EXPECT_TRUE(decoded(kChdCodecCdfl, Bytes(40, 0xFF)).empty());
    EXPECT_TRUE(decoded(chdTag("zlib"), data).empty());
}

}  // namespace
}  // namespace quillon::testing
