// CHDs that Debian's chdman makes from generated discs read back as the discs their cue
// sheets describe, sector for sector, with every codec; damaged ones are refused.
#include <gtest/gtest.h>

#include <thread>

#include "common/file_io.h"
#include "source/chd/chd_map.h"
#include "source/open_disc.h"
#include "support/cd_sectors.h"
#include "support/chd_writer.h"
#include "support/chdman.h"
#include "support/temp_folder.h"

namespace quillon::testing {
namespace {

Bytes wholeImage(DiscReader& image) {
    Bytes bytes(static_cast<std::size_t>(image.size()));
    EXPECT_TRUE(image.readExactAt(0, bytes).ok());
    return bytes;
}

struct ChdCase {
    const char* name;
    std::vector<TestTrack> (*disc)();
    const char* codecs;
    const char* more = "";  // further options of chdman
};

class ChdDiscTest : public ::testing::TestWithParam<ChdCase> {};

TEST_P(ChdDiscTest, ReadsAsTheDiscOfItsCueSheet) {
    QUILLON_NEED_CHDMAN();
    TempFolder dir;
    const std::string cue = writeTestDisc(dir, "game", GetParam().disc());
    const std::string chd = dir.file("game.chd");
    ASSERT_TRUE(makeChd(cue, chd, GetParam().codecs, GetParam().more));
    auto fromCue = openDisc(cue);
    auto fromChd = openDisc(chd);
    ASSERT_TRUE(fromCue.ok()) << fromCue.error().message;
    ASSERT_TRUE(fromChd.ok()) << fromChd.error().message;
    EXPECT_EQ((*fromChd)->size(), (*fromCue)->size());
    EXPECT_EQ((*fromChd)->tracks(), (*fromCue)->tracks());
    EXPECT_TRUE(wholeImage(**fromChd) == wholeImage(**fromCue));
    const Status checked = (*fromChd)->checkAfterReadingAll();
    EXPECT_TRUE(checked.ok()) << checked.error().message;
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, ChdDiscTest,
    ::testing::Values(ChdCase{"DataCdlz", dataDisc, "cdlz"}, ChdCase{"DataCdzl", dataDisc, "cdzl"},
                      ChdCase{"DataCdfl", dataDisc, "cdfl"}, ChdCase{"AudioCdlz", audioDisc, "cdlz"},
                      ChdCase{"AudioCdzl", audioDisc, "cdzl"}, ChdCase{"AudioCdfl", audioDisc, "cdfl"},
                      ChdCase{"AudioDefault", audioDisc, ""}, ChdCase{"Mode1Default", mode1Disc, ""},
                      ChdCase{"AudioUncompressed", audioDisc, "none"},
                      // Hunks of one frame: some hold padding alone.
                      ChdCase{"AudioOneFrameHunks", audioDisc, "", "-hs 2448"},
                      // Hunks of 64 KiB and more give their base length in 3 bytes.
                      ChdCase{"AudioLargeHunks", audioDisc, "", "-hs 78336"}),
    [](const auto& info) { return std::string(info.param.name); });

// chdman took the ECC out of exactly the sectors whose ECC the tests made right: those
// frames come back through the ECC that the reader makes again.
TEST(ChdmanTest, FlagsTheMode1AndForm1SectorsOfTheTestDiscs) {
    QUILLON_NEED_CHDMAN();
    TempFolder dir;
    ASSERT_TRUE(makeChd(writeTestDisc(dir, "game", dataDisc()), dir.file("game.chd"), "cdzl"));
    const Bytes file = *readWholeFile(dir.file("game.chd"));
    const auto header = parseChdHeader(std::span(file).first(kChdHeaderSize), file.size(), "game.chd");
    ASSERT_TRUE(header.ok());
    const auto hunks = parseChdMap(*header, std::span(file).subspan(header->mapOffset), file.size(), "game.chd");
    ASSERT_TRUE(hunks.ok());
    ASSERT_EQ((*hunks)[0].kind, ChdHunk::Kind::Compressed);
    // Frames 0 to 7: Form 1, Form 1, Form 1, Form 2, Form 1, Form 1 with a damaged byte,
    // Form 1, zeros.
    EXPECT_EQ(file[(*hunks)[0].offset], 0b01010111);
}

// The disc read by `threads` threads at once, each a run of sectors in turn, as the
// packer reads.
Bytes readByThreads(DiscReader& image, int threads) {
    Bytes read(static_cast<std::size_t>(image.size()));
    constexpr std::size_t kRun = 37 * kSectorSize + 5;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::vector<std::thread> readers;
    for (int t = 0; t < threads; ++t) {
        readers.emplace_back([&] {
            for (std::size_t at; (at = next.fetch_add(kRun)) < read.size();) {
                const auto part = std::span(read).subspan(at, std::min(kRun, read.size() - at));
                if (!image.readExactAt(at, part).ok()) failed = true;
            }
        });
    }
    for (std::thread& reader : readers) reader.join();
    EXPECT_FALSE(failed);
    return read;
}

// CHDs of the audio disc written here: cdzl and cdzs; cdzs alone with the zeros of the
// pregap as a stored hunk and copies of it; no codecs.
struct WrittenCase {
    const char* name;
    Bytes (*write)();
    int threads;
};

class WrittenChdTest : public ::testing::TestWithParam<WrittenCase> {};

TEST_P(WrittenChdTest, ReadsAsItsDiscAndMatchesItsChecksum) {
    TempFolder dir;
    auto fromCue = openDisc(writeTestDisc(dir, "game", audioDisc()));
    auto fromChd = openDisc(dir.write("game.chd", GetParam().write()));
    ASSERT_TRUE(fromChd.ok()) << fromChd.error().message;
    EXPECT_TRUE(readByThreads(**fromChd, GetParam().threads) == wholeImage(**fromCue));
    const Status checked = (*fromChd)->checkAfterReadingAll();
    EXPECT_TRUE(checked.ok()) << checked.error().message;
}

Bytes cdzlAndCdzs() {
    TestChd chd = testChdOf(audioDisc());
    for (int h = 0; h < 90; ++h) chd.hunks.push_back({TestChdHunk::How::Codec, h % 2});
    return writeTestChd(chd);
}

Bytes cdzsWithCopies() {
    TestChd chd = testChdOf(audioDisc());
    chd.codecs = {kChdCodecCdzs, 0, 0, 0};
    // The silent pregap of track 2 (frames 252 to 401) in hunks 32 to 49 is all zeros.
    for (std::uint64_t h = 0; h < 32; ++h) chd.hunks.push_back({TestChdHunk::How::Codec, 0});
    chd.hunks.push_back({TestChdHunk::How::Stored});
    for (std::uint64_t h = 33; h < 50; ++h) chd.hunks.push_back({TestChdHunk::How::CopyOf, 0, 32});
    return writeTestChd(chd);
}

Bytes withoutCodecs() { return writePlainTestChd(testChdOf(audioDisc())); }

INSTANTIATE_TEST_SUITE_P(Cases, WrittenChdTest,
                         ::testing::Values(WrittenCase{"ByOneThread", cdzlAndCdzs, 1},
                                           WrittenCase{"ByFourThreads", cdzlAndCdzs, 4},
                                           WrittenCase{"CdzsWithCopies", cdzsWithCopies, 2},
                                           WrittenCase{"WithoutCodecs", withoutCodecs, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ChdDiscReadTest, AChdOfAnotherCodecIsRefusedNamingIt) {
    TempFolder dir;
    TestChd chd = testChdOf(dataDisc());
    chd.codecs = {kChdCodecCdzl, chdTag("huff"), 0, 0};
    chd.hunks = {{}, {}, {TestChdHunk::How::Codec, 1}};
    const std::string path = dir.write("game.chd", writeTestChd(chd));
    EXPECT_EQ(openDisc(path).error().message,
              "The CHD \"" + path +
                  "\" cannot be read: its hunks are compressed with the codec huff, and only "
                  "the CD codecs cdlz, cdzl, cdfl and cdzs are read.");
}

TEST(ChdDiscReadTest, AHunkThatDoesNotMatchItsChecksumFailsTheRead) {
    TempFolder dir;
    TestChd chd = testChdOf(dataDisc());
    chd.hunks = {{}, {}, {TestChdHunk::How::Stored}};
    Bytes file = writeTestChd(chd);
    const auto header = parseChdHeader(std::span(file).first(kChdHeaderSize), file.size(), "");
    const auto hunks = parseChdMap(*header, std::span(file).subspan(header->mapOffset), file.size(), "");
    file[(*hunks)[2].offset + 100] ^= 1;
    const std::string path = dir.write("game.chd", file);
    auto image = openDisc(path);
    ASSERT_TRUE(image.ok()) << image.error().message;
    Bytes sector(kSectorSize);
    EXPECT_TRUE((*image)->readExactAt(15 * kSectorSize, sector).ok());
    EXPECT_EQ((*image)->readExactAt(16 * kSectorSize, sector).error().message,
              "The CHD \"" + path + "\" is damaged: hunk 2 does not match its checksum.");
}

// The file of a CHD of the data disc with one change, and where it shows: opening the
// CHD, reading its disc, or checking its data at the end.
struct Damage {
    const char* name;
    void (*change)(Bytes& file, const std::vector<ChdHunk>& hunks);
    enum class Stage { Open, Read, Check } stage;
    const char* message;
};

class ChdDamageTest : public ::testing::TestWithParam<Damage> {};

void replaceText(Bytes& file, std::string_view from, std::string_view to) {
    const std::string all(file.begin(), file.end());
    const std::size_t at = all.find(from);
    ASSERT_NE(at, std::string::npos);
    std::copy(to.begin(), to.end(), file.begin() + static_cast<std::ptrdiff_t>(at));
}

TEST_P(ChdDamageTest, IsRefusedWithAMessage) {
    QUILLON_NEED_CHDMAN();
    TempFolder dir;
    const std::string chd = dir.file("game.chd");
    ASSERT_TRUE(makeChd(writeTestDisc(dir, "game", dataDisc()), chd));
    Bytes file = *readWholeFile(chd);
    const auto header = parseChdHeader(std::span(file).first(kChdHeaderSize), file.size(), chd);
    const auto hunks = parseChdMap(*header, std::span(file).subspan(header->mapOffset), file.size(), chd);
    GetParam().change(file, *hunks);
    dir.write("game.chd", file);

    const std::string expected = "The CHD \"" + chd + "\" " + GetParam().message;
    auto image = openDisc(chd);
    if (GetParam().stage == Damage::Stage::Open) {
        ASSERT_FALSE(image.ok());
        EXPECT_EQ(image.error().message, expected);
        return;
    }
    ASSERT_TRUE(image.ok()) << image.error().message;
    Bytes bytes(static_cast<std::size_t>((*image)->size()));
    const Status read = (*image)->readExactAt(0, bytes);
    if (GetParam().stage == Damage::Stage::Read) {
        ASSERT_FALSE(read.ok());
        EXPECT_EQ(read.error().message, expected);
        return;
    }
    ASSERT_TRUE(read.ok()) << read.error().message;
    const Status checked = (*image)->checkAfterReadingAll();
    ASSERT_FALSE(checked.ok());
    EXPECT_EQ(checked.error().message, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChdDamageTest,
    ::testing::Values(
        Damage{"MapChecksum", [](Bytes& f, const auto&) { f[loadBe64(&f[40]) + 10] ^= 0x10; }, Damage::Stage::Open,
               "is damaged: its hunk map does not match its checksum."},
        Damage{"CutShort", [](Bytes& f, const auto&) { f.erase(f.end() - 40, f.end()); }, Damage::Stage::Open,
               "is damaged: its hunk map runs past the end of the file."},
        Damage{"FramesThatLie", [](Bytes& f, const auto&) { replaceText(f, "FRAMES:301", "FRAMES:309"); },
               Damage::Stage::Open, "is damaged: its track list does not match the size of its data."},
        Damage{"TypeThatLies", [](Bytes& f, const auto&) { replaceText(f, "TYPE:MODE2_RAW", "TYPE:MODE2    "); },
               Damage::Stage::Open,
               "cannot be read: track 01 is of the type MODE2, and only tracks of raw sectors (MODE1_RAW, "
               "MODE2_RAW) and AUDIO are read."},
        Damage{"HunkData",
               [](Bytes& f, const std::vector<ChdHunk>& h) {
                   // Its base said to run past its data (cdlz, cdzl), or its first FLAC
                   // frame broken (cdfl).
                   f[h[3].offset + 1] = f[h[3].offset + 2] = 0xFF;
               },
               Damage::Stage::Read, "is damaged: hunk 3 does not decode."},
        Damage{"DataChecksum", [](Bytes& f, const auto&) { f[64] ^= 0x80; }, Damage::Stage::Check,
               "is damaged: its data does not match the SHA-1 in its header."}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillon::testing
