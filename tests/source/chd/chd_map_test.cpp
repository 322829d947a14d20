// The hunk map of a CHD: its entries expanded from the coded stream (runs, copies), its
// CRC-16 checked, and every number that does not fit refused.
#include <gtest/gtest.h>

#include "source/chd/chd_map.h"
#include "support/chd_writer.h"

namespace quillon::testing {
namespace {

using Kind = ChdHunk::Kind;

// Five hunks: cdzl, stored, a copy of hunk 0, cdzs, a copy of that copy.
TestChd fiveHunks() {
    TestChd chd = testChdOf({{TestTrack::Mode::Mode2, 0, 0, mixedDataTrack(40, 0, 7)}});
    chd.hunks = {{TestChdHunk::How::Codec, 0},
                 {TestChdHunk::How::Stored},
                 {TestChdHunk::How::CopyOf, 0, 0},
                 {TestChdHunk::How::Codec, 1},
                 {TestChdHunk::How::CopyOf, 0, 2}};
    return chd;
}

Expected<std::vector<ChdHunk>> mapOf(const Bytes& file) {
    const auto header = parseChdHeader(std::span(file).first(kChdHeaderSize), file.size(), "x.chd");
    if (!header) return header.error();
    return parseChdMap(*header, std::span(file).subspan(header->mapOffset), file.size(), "x.chd");
}

std::uint64_t mapOffsetOf(const Bytes& file) { return loadBe64(&file[40]); }

TEST(ChdMapTest, CrcIsCcittFalse) { EXPECT_EQ(chdCrc16(asBytes("123456789")), 0x29B1); }

TEST(ChdMapTest, ExpandsEveryKindOfHunk) {
    const Bytes file = writeTestChd(fiveHunks());
    const auto hunks = mapOf(file);
    ASSERT_TRUE(hunks.ok()) << hunks.error().message;
    ASSERT_EQ(hunks->size(), 5u);
    EXPECT_EQ((*hunks)[0].kind, Kind::Compressed);
    EXPECT_EQ((*hunks)[0].codecSlot, 0);
    EXPECT_EQ((*hunks)[0].offset, kChdHeaderSize + chdMetadata(fiveHunks().tracks, 0).size());
    EXPECT_EQ((*hunks)[1].kind, Kind::Stored);
    EXPECT_EQ((*hunks)[1].offset, (*hunks)[0].offset + (*hunks)[0].length);
    EXPECT_EQ((*hunks)[1].length, 8 * kChdFrameSize);
    EXPECT_EQ((*hunks)[2], (ChdHunk{Kind::Copy, 0, 0, 0, std::nullopt}));
    EXPECT_EQ((*hunks)[3].kind, Kind::Compressed);
    EXPECT_EQ((*hunks)[3].codecSlot, 1);
    EXPECT_EQ((*hunks)[3].offset, (*hunks)[1].offset + (*hunks)[1].length);
    // A copy of a copy names the hunk that holds the bytes.
    EXPECT_EQ((*hunks)[4], (ChdHunk{Kind::Copy, 0, 0, 0, std::nullopt}));
    const Bytes hunk1(file.begin() + static_cast<std::ptrdiff_t>((*hunks)[1].offset),
                      file.begin() + static_cast<std::ptrdiff_t>((*hunks)[1].offset + (*hunks)[1].length));
    EXPECT_EQ((*hunks)[1].crc, chdCrc16(hunk1));
}

TEST(ChdMapTest, RunsRepeatTheLastType) {
    // 0, then a short run of 3 + 1 more: five hunks of slot 0; 21 hunks with a long run.
    struct Run {
        std::size_t frames;
        std::vector<int> symbols;
    };
    const std::vector<Run> runs{{40, {0, 7, 1}}, {168, {0, 8, 0, 1}}};
    for (const Run& run : runs) {
        const std::size_t frames = run.frames;
        TestChd chd = testChdOf({{TestTrack::Mode::Mode2, 0, 0, mixedDataTrack(frames, 0, 8)}});
        chd.typeSymbols = run.symbols;
        const auto hunks = mapOf(writeTestChd(chd));
        ASSERT_TRUE(hunks.ok()) << hunks.error().message;
        ASSERT_EQ(hunks->size(), frames / 8);
        for (const ChdHunk& hunk : *hunks) EXPECT_EQ(hunk.kind, Kind::Compressed);
    }
}

TEST(ChdMapTest, AnUncompressedChdHasAPlainMap) {
    ChdHeader header;
    header.hunkBytes = 2 * kChdFrameSize;
    header.logicalBytes = 3 * header.hunkBytes;
    const Bytes map{0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 4};
    const auto hunks = parseChdMap(header, map, 5 * header.hunkBytes, "x.chd");
    ASSERT_TRUE(hunks.ok()) << hunks.error().message;
    EXPECT_EQ((*hunks)[0], (ChdHunk{Kind::Stored, 0, header.hunkBytes, 3 * header.hunkBytes, std::nullopt}));
    EXPECT_EQ((*hunks)[1].kind, Kind::Zero);
    EXPECT_EQ((*hunks)[2].offset, 4 * header.hunkBytes);
    EXPECT_EQ(parseChdMap(header, map, 5 * header.hunkBytes - 1, "x.chd").error().message,
              "The CHD \"x.chd\" is damaged: it ends inside its hunks.");
}

struct MapDamage {
    const char* name;
    void (*change)(TestChd&, Bytes&);
    const char* message;
};

class ChdMapDamageTest : public ::testing::TestWithParam<MapDamage> {};

TEST_P(ChdMapDamageTest, IsRefused) {
    TestChd chd = fiveHunks();
    Bytes file = writeTestChd(chd);
    GetParam().change(chd, file);
    const auto hunks = mapOf(file);
    ASSERT_FALSE(hunks.ok());
    EXPECT_EQ(hunks.error().message, std::string("The CHD \"x.chd\" ") + GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChdMapDamageTest,
    ::testing::Values(MapDamage{"Checksum", [](TestChd&, Bytes& f) { f[mapOffsetOf(f) + 11] ^= 1; },
                                "is damaged: its hunk map does not match its checksum."},
                      MapDamage{"StreamCut", [](TestChd&, Bytes& f) { f[mapOffsetOf(f) + 3] = 12; },
                                "is damaged: its hunk map ends early."},
                      MapDamage{"CodeTable", [](TestChd&, Bytes& f) { f[mapOffsetOf(f) + 16] = 0x55; },
                                "is damaged: its hunk map is not valid."},
                      MapDamage{"ParentHunk", [](TestChd&, Bytes& f) { f[mapOffsetOf(f) + 16 + 8] = 0x64; },
                                "cannot be read: its hunks refer to a parent CHD, and parent CHDs are not read."},
                      MapDamage{"EmptySlot", [](TestChd&, Bytes& f) { f[mapOffsetOf(f) + 16 + 8] = 0x24; },
                                "is damaged: a hunk names a codec slot that is empty."},
                      MapDamage{"CopyOfALaterHunk",
                                [](TestChd& c, Bytes& f) {
                                    c.hunks[2].copyOf = 3;
                                    f = writeTestChd(c);
                                },
                                "is damaged: a hunk repeats itself or a later one."},
                      MapDamage{"HunkPastTheEnd",
                                [](TestChd&, Bytes& f) {
                                    // The first hunk's data said to start near the end of the file.
                                    f[mapOffsetOf(f) + 6] = 0x40;
                                },
                                "is damaged: it ends inside its hunks."},
                      MapDamage{"RunPastTheEnd",
                                [](TestChd& c, Bytes& f) {
                                    c.typeSymbols = {0, 7, 5};
                                    f = writeTestChd(c);
                                },
                                "is damaged: its hunk map is not valid."}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillon::testing
