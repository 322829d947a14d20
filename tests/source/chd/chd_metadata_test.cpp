// The track list of a CHD: each CHT2 or CHTR text read, and a list that does not fit its
// numbers or its data refused.
#include <gtest/gtest.h>

#include "source/chd/chd_metadata.h"
#include "support/chd_writer.h"

namespace quillon::testing {
namespace {

ChdTrack track(int number, ChdTrackType type, std::uint32_t frames, std::uint32_t pregap = 0, bool stored = false) {
    return {number, type, frames, pregap, stored};
}

TEST(ChdTrackTest, ReadsTheFieldsOfCht2AndChtr) {
    EXPECT_EQ(*parseChdTrack(std::string("TRACK:1 TYPE:MODE2_RAW SUBTYPE:NONE FRAMES:302 PREGAP:0 PGTYPE:MODE1 "
                                         "PGSUB:NONE POSTGAP:0\0junk",
                                         95),
                             "x.chd"),
              track(1, ChdTrackType::Mode2Raw, 302));
    EXPECT_EQ(*parseChdTrack("TRACK:2 TYPE:AUDIO SUBTYPE:NONE FRAMES:601 PREGAP:150 PGTYPE:VAUDIO PGSUB:NONE POSTGAP:0",
                             "x.chd"),
              track(2, ChdTrackType::Audio, 601, 150, true));
    EXPECT_EQ(*parseChdTrack("TRACK:3 TYPE:MODE1_RAW SUBTYPE:RW FRAMES:451 PREGAP:150 PGTYPE:MODE1 NEWKEY:7", "x.chd"),
              track(3, ChdTrackType::Mode1Raw, 451, 150));
    // CHTR: no gaps.
    EXPECT_EQ(*parseChdTrack("TRACK:4 TYPE:AUDIO SUBTYPE:NONE FRAMES:20", "x.chd"), track(4, ChdTrackType::Audio, 20));
}

TEST(ChdTrackTest, RefusesOtherSectorTypesByName) {
    EXPECT_EQ(parseChdTrack("TRACK:2 TYPE:MODE1 SUBTYPE:NONE FRAMES:20", "x.chd").error().message,
              "The CHD \"x.chd\" cannot be read: track 02 is of the type MODE1, and only tracks of raw sectors "
              "(MODE1_RAW, MODE2_RAW) and AUDIO are read.");
}

TEST(ChdTrackTest, RefusesTextsThatDoNotDescribeATrack) {
    for (const char* text :
         {"TYPE:AUDIO FRAMES:20", "TRACK:1 FRAMES:20", "TRACK:1 TYPE:AUDIO", "TRACK:1 TYPE:AUDIO FRAMES:x",
          "TRACK:1 TYPE:AUDIO FRAMES:-1", "TRACK:100 TYPE:AUDIO FRAMES:20", "TRACK:1 TYPE:AUDIO FRAMES:0",
          "TRACK:1 TYPE:AUDIO FRAMES:150 PREGAP:150 PGTYPE:VAUDIO", "TRACK:1 TYPE:AUDIO FRAMES:99999999",
          "TRACK:1 TYPE:AUDIO FRAMES:20 PREGAP:"}) {
        EXPECT_EQ(parseChdTrack(text, "x.chd").error().message,
                  "The CHD \"x.chd\" is damaged: an entry of its track list is not valid.")
            << text;
    }
}

// The track list read from a CHD file in memory.
Expected<std::vector<ChdTrack>> tracksOf(const Bytes& file) {
    const auto header = parseChdHeader(std::span(file).first(kChdHeaderSize), file.size(), "x.chd");
    if (!header) return header.error();
    const ChdFileReader read = [&file](std::uint64_t position, std::span<std::uint8_t> out) -> Status {
        if (!fitsIn(file.size(), position, out.size())) return Error::read("beyond the end");
        std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(position), out.size(), out.begin());
        return {};
    };
    return readChdTracks(*header, file.size(), read, "x.chd");
}

TEST(ChdTrackListTest, ReadsTheTracksInChainOrder) {
    const auto tracks = tracksOf(writeTestChd(testChdOf(audioDisc())));
    ASSERT_TRUE(tracks.ok()) << tracks.error().message;
    EXPECT_EQ(*tracks, (std::vector<ChdTrack>{track(1, ChdTrackType::Mode2Raw, 250),
                                              track(2, ChdTrackType::Audio, 351, 150, true),
                                              track(3, ChdTrackType::Audio, 101, 150)}));
}

TEST(ChdTrackListTest, AChainThatComesBackIsDamaged) {
    Bytes file = writeTestChd(testChdOf(audioDisc()));
    std::fill_n(file.begin() + kChdHeaderSize + 8, 8, 0);
    file[kChdHeaderSize + 15] = kChdHeaderSize;  // the first entry names itself next
    EXPECT_EQ(tracksOf(file).error().message, "The CHD \"x.chd\" is damaged: its metadata chain does not end.");
}

struct ListDamage {
    const char* name;
    void (*change)(TestChd&);
    const char* message;
};

class ChdTrackListDamageTest : public ::testing::TestWithParam<ListDamage> {};

TEST_P(ChdTrackListDamageTest, IsRefused) {
    TestChd chd = testChdOf(audioDisc());
    GetParam().change(chd);
    const auto tracks = tracksOf(writeTestChd(chd));
    ASSERT_FALSE(tracks.ok());
    EXPECT_EQ(tracks.error().message, std::string("The CHD \"x.chd\" ") + GetParam().message);
}

void replaceIn(std::string& text, const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChdTrackListDamageTest,
    ::testing::Values(
        ListDamage{"FramesOfOtherData", [](TestChd& c) { replaceIn(c.tracks[0], "FRAMES:250", "FRAMES:254"); },
                   "is damaged: its track list does not match the size of its data."},
        ListDamage{"NumbersOutOfOrder", [](TestChd& c) { replaceIn(c.tracks[1], "TRACK:2", "TRACK:3"); },
                   "is damaged: its tracks are not numbered in order."},
        ListDamage{"NoTrackList", [](TestChd& c) { c.tracks.clear(); }, "cannot be read: it holds no CD track list."},
        ListDamage{"GdRom",
                   [](TestChd& c) {
                       c.tracks.clear();
                       c.metadataTag = "CHGT";
                       c.tracks = {"TRACK:1 TYPE:MODE1 SUBTYPE:NONE FRAMES:302 PAD:0"};
                   },
                   "cannot be read: it holds a GD-ROM image, not a CD image."}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillon::testing
