#include "source/disc_toc.h"

#include <gtest/gtest.h>

#include "source/image_index.h"

namespace quillon {
namespace {

// A disc-image block head holding `toc` at 0x800.
Bytes headWith(const Bytes& toc) {
    Bytes head(kTocOffset + 0x400, 0);
    std::copy(toc.begin(), toc.end(), head.begin() + kTocOffset);
    return head;
}

TEST(DiscTocTest, OneDataTrackGivesTheSingleImageTable) {
    // 1,338 sectors and a bit: 1,339 + 150 = 1,489 frames = 00:19:64.
    const Bytes toc = encodeToc({DiscTrack{}}, 1338 * kSectorSize + 1);
    const Bytes expected{0x41, 0, 0xA0, 0, 0, 0, 0, 0x01, 0x20, 0x00,  //
                         0x41, 0, 0xA1, 0, 0, 0, 0, 0x01, 0x00, 0x00,  //
                         0x41, 0, 0xA2, 0, 0, 0, 0, 0x00, 0x19, 0x64,  //
                         0x41, 0, 0x01, 0, 0, 0, 0, 0x00, 0x02, 0x00};
    EXPECT_EQ(toc, expected);
}

TEST(DiscTocTest, EveryTrackHasItsEntry) {
    const std::vector<DiscTrack> tracks{
        {1, TrackType::Data, 0, 0}, {2, TrackType::Audio, 4650, 150}, {3, TrackType::Audio, 270000, 0}};
    const Bytes toc = encodeToc(tracks, 300000 * kSectorSize);
    const Bytes expected{0x41, 0, 0xA0, 0,    0,    0,    0, 0x01, 0x20, 0x00,  //
                         0x01, 0, 0xA1, 0,    0,    0,    0, 0x03, 0x00, 0x00,  //
                         0x41, 0, 0xA2, 0,    0,    0,    0, 0x66, 0x42, 0x00,  // 300,150
                         0x41, 0, 0x01, 0,    0,    0,    0, 0x00, 0x02, 0x00,  //
                         0x01, 0, 0x02, 0x01, 0x02, 0x00, 0, 0x01, 0x04, 0x00,  // 4,650
                         0x01, 0, 0x03, 0x60, 0x00, 0x00, 0, 0x60, 0x02, 0x00};
    EXPECT_EQ(toc, expected);
}

TEST(DiscTocTest, LeadOutIsTheRoundedSectorCountPlusTwoSeconds) {
    auto leadOut = [](std::uint64_t size) {
        const Bytes toc = encodeToc({DiscTrack{}}, size);
        return std::vector<int>{toc[27], toc[28], toc[29]};
    };
    EXPECT_EQ(leadOut(2352 * 1000), (std::vector<int>{0x00, 0x15, 0x25}));  // 1,150 frames
    EXPECT_EQ(leadOut(2352 * 1000 + 1), (std::vector<int>{0x00, 0x15, 0x26}));
    EXPECT_EQ(leadOut(2352ull * 330000), (std::vector<int>{0x73, 0x22, 0x00}));  // 73:22:00
    // Past 99 minutes the tens of minutes go on counting in the high half of the byte.
    EXPECT_EQ(leadOut(std::uint64_t{kMaxIndexEntries} * kImageBlockSize),
              (std::vector<int>{0xB4, 0x43, 0x05}));  // 516,230 frames = 114:43:05
}

TEST(DiscTocTest, DecodesWhatItEncodes) {
    const std::vector<DiscTrack> tracks{
        {1, TrackType::Data, 0, 0}, {2, TrackType::Audio, 450, 0}, {3, TrackType::Audio, 516000, 0}};
    const auto toc = decodeToc(headWith(encodeToc(tracks, 516079 * kSectorSize + 5)));
    ASSERT_TRUE(toc.ok()) << toc.error().message;
    EXPECT_EQ(toc->tracks, tracks);
    EXPECT_EQ(toc->leadOut, 516080u + 150);
    EXPECT_EQ(toc->imageSectors(), 516080u);
}

struct Damage {
    std::size_t at;  // from the start of the table
    std::uint8_t value;
    const char* what;
};

class DiscTocDamageTest : public ::testing::TestWithParam<Damage> {};

TEST_P(DiscTocDamageTest, IsRefusedSayingWhy) {
    Bytes toc = encodeToc({{1, TrackType::Data, 0, 0}, {2, TrackType::Audio, 450, 0}}, 600 * kSectorSize);
    toc[GetParam().at] = GetParam().value;
    const auto decoded = decodeToc(headWith(toc));
    ASSERT_FALSE(decoded.ok());
    EXPECT_EQ(decoded.error().message, GetParam().what);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, DiscTocDamageTest,
    ::testing::Values(Damage{2, 0x01, "its entries A0, A1 and A2 are not in place"},
                      Damage{22, 0x00, "its entries A0, A1 and A2 are not in place"},
                      Damage{7, 0x03, "the first and last track numbers do not fit"},
                      Damage{17, 0x0A, "the first and last track numbers do not fit"},
                      Damage{28, 0x60, "the lead-out is not a BCD time"},
                      Damage{42, 0x03, "the entry of track 2 is missing"},
                      Damage{40, 0x04, "the entry of track 2 has an unknown type"},
                      Damage{45, 0x7A, "the entry of track 2 holds a time that is not BCD"},
                      Damage{48, 0x09, "the entry of track 2 gives relative and absolute times that disagree"},
                      Damage{28, 0x08, "the lead-out does not come after the last track"}));

TEST(DiscTocTest, TracksThatDoNotAscendAreRefused) {
    const Bytes toc = encodeToc({{1, TrackType::Data, 100, 0}, {2, TrackType::Audio, 100, 0}}, 600 * kSectorSize);
    const auto decoded = decodeToc(headWith(toc));
    ASSERT_FALSE(decoded.ok());
    EXPECT_NE(decoded.error().message.find("track 2 does not start after track 1"), std::string::npos);
}

TEST(DiscTocTest, AHeadEndingInsideTheTableIsRefused) {
    Bytes head = headWith(encodeToc({DiscTrack{}}, kSectorSize));
    head.resize(kTocOffset + tocSize(1) - 1);
    EXPECT_FALSE(decodeToc(head).ok());
    head.resize(kTocOffset + 5);
    EXPECT_FALSE(decodeToc(head).ok());
}

}  // namespace
}  // namespace quillon
