// The contract of every source disc reader: the same disc, held as a disc image, a cue
// sheet, a CHD or a playlist's disc, reads as the same tracks, length and bytes, under
// the name of the file that holds it; what is no disc is refused with its message.
#include "source/disc_reader.h"

#include <gtest/gtest.h>

#include "source/open_disc.h"
#include "support/cd_sectors.h"
#include "support/chd_writer.h"
#include "support/temp_folder.h"

namespace quillon::testing {
namespace {

const std::vector<TestTrack> kDisc = dataDisc();

struct ReaderCase {
    const char* name;
    // Writes the disc in its form into the folder; gives the path to open and the
    // name that the disc goes by.
    std::pair<std::string, std::string> (*hold)(const TempFolder& dir);
};

class DiscReaderTest : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(DiscReaderTest, ReadsTheSameDiscUnderItsFilesName) {
    TempFolder dir;
    const auto [path, name] = GetParam().hold(dir);
    auto discs = SourceDiscs::list(path);
    ASSERT_TRUE(discs.ok()) << discs.error().message;
    ASSERT_EQ(discs->count(), 1u);
    auto disc = discs->disc(0);
    ASSERT_TRUE(disc.ok()) << disc.error().message;
    DiscReader& reader = **disc;
    const Bytes& expected = kDisc.front().bytes;
    EXPECT_EQ(reader.name(), name);
    EXPECT_EQ(reader.tracks(), std::vector<DiscTrack>{DiscTrack{}});
    EXPECT_EQ(reader.size(), expected.size());
    Bytes all(expected.size());
    ASSERT_TRUE(reader.readExactAt(0, all).ok());
    EXPECT_TRUE(all == expected);
    Bytes sectors(3 * kSectorSize);
    ASSERT_TRUE(reader.readExactAt(100 * kSectorSize, sectors).ok());
    EXPECT_TRUE(std::equal(sectors.begin(), sectors.end(), expected.begin() + 100 * kSectorSize));
    Bytes past(2);
    EXPECT_EQ(reader.readExactAt(expected.size() - 1, past).error().message,
              "Cannot read the disc \"" + name + "\". Read beyond end of file");
    EXPECT_TRUE(reader.checkAfterReadingAll().ok());
    // Asked again, the source gives the disc it opened.
    EXPECT_EQ(*discs->disc(0), &reader);
}

INSTANTIATE_TEST_SUITE_P(Readers, DiscReaderTest,
                         ::testing::Values(ReaderCase{"ImageFile",
                                                      [](const TempFolder& dir) {
                                                          const std::string path =
                                                              dir.write("game.bin", kDisc.front().bytes);
                                                          return std::pair(path, path);
                                                      }},
                                           ReaderCase{"CueSheet",
                                                      [](const TempFolder& dir) {
                                                          const std::string path = writeTestDisc(dir, "game", kDisc);
                                                          return std::pair(path, path);
                                                      }},
                                           ReaderCase{"Chd",
                                                      [](const TempFolder& dir) {
                                                          const std::string path = dir.write(
                                                              "game.chd", writePlainTestChd(testChdOf(kDisc)));
                                                          return std::pair(path, path);
                                                      }},
                                           ReaderCase{"PlaylistDisc",
                                                      [](const TempFolder& dir) {
                                                          const std::string disc =
                                                              dir.write("game.iso", kDisc.front().bytes);
                                                          return std::pair(
                                                              dir.write("game.m3u", std::string("game.iso\n")), disc);
                                                      }}),
                         [](const auto& info) { return std::string(info.param.name); });

struct RefusedCase {
    const char* name;
    const char* file;
    std::string content;
    const char* message;  // after the quoted path
};

class RefusedDiscTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedDiscTest, IsRefusedWithItsMessage) {
    TempFolder dir;
    const std::string path = dir.write(GetParam().file, GetParam().content);
    const auto disc = openDisc(path);
    ASSERT_FALSE(disc.ok());
    EXPECT_EQ(disc.error().message, "\"" + path + "\" " + GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    NoDisc, RefusedDiscTest,
    ::testing::Values(RefusedCase{"PackedFile", "game.iso", "PK\x03\x04 and more",
                                  "is a ZIP archive, not a disc image: unpack the disc image from it first."},
                      RefusedCase{"Container", "game.PBP", std::string("\0PBP", 4),
                                  "is a PBP container, not a disc image."},
                      RefusedCase{"Playlist", "game.m3u8", "game.iso\n", "is a playlist, not a disc."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OpenDiscTest, TheChdSignatureWinsOverTheExtensionAndTheExtensionOverTheFallback) {
    TempFolder dir;
    const std::string chd = dir.write("game.iso", writePlainTestChd(testChdOf(kDisc)));
    const auto byContent = openDisc(chd);
    ASSERT_TRUE(byContent.ok()) << byContent.error().message;
    EXPECT_EQ((*byContent)->size(), kDisc.front().bytes.size());
    const std::string notChd = dir.write("game.chd", kDisc.front().bytes);
    const auto plain = openDisc(notChd);
    ASSERT_TRUE(plain.ok()) << plain.error().message;
    EXPECT_EQ((*plain)->size(), kDisc.front().bytes.size());
    const std::string sheet = dir.write("game.cue", std::string("TRACK 01 AUDIO\n"));
    EXPECT_EQ(openDisc(sheet).error().message, "Cue sheet \"" + sheet + "\", line 1: TRACK comes before any FILE");
}

}  // namespace
}  // namespace quillon::testing
