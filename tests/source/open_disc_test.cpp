#include "source/open_disc.h"

#include <gtest/gtest.h>

#include <map>

#include "source/disc_files.h"
#include "support/temp_folder.h"

namespace quillon {
namespace {

using quillon::testing::distinctSectors;
using quillon::testing::TempFolder;

Bytes readAll(DiscReader& image) {
    Bytes bytes(static_cast<std::size_t>(image.size()));
    EXPECT_TRUE(image.readExactAt(0, bytes).ok());
    return bytes;
}

TEST(OpenDiscTest, AnImageFileIsOneDataTrackAsItIs) {
    TempFolder folder;
    const Bytes content = distinctSectors(40, 3);
    const Bytes odd(content.begin(), content.end() - 1000);
    auto image = openDisc(folder.write("game.BIN", odd));
    ASSERT_TRUE(image.ok()) << image.error().message;
    EXPECT_EQ((*image)->size(), odd.size());
    EXPECT_EQ((*image)->tracks(), std::vector<DiscTrack>{DiscTrack{}});
    EXPECT_EQ(readAll(**image), odd);
    const auto head = (*image)->readFirstDataTrack(65535);
    ASSERT_TRUE(head.ok());
    EXPECT_EQ(*head, Bytes(odd.begin(), odd.begin() + 65535));
    Bytes past(2);
    EXPECT_FALSE((*image)->readExactAt(odd.size() - 1, past).ok());
}

// A stretch of the expected image: sectors of a file, or zero sectors.
struct Stretch {
    const char* file;  // nullptr: zeros
    std::size_t from = 0;
    std::size_t sectors = 0;
};

struct Layout {
    const char* sheet;
    std::vector<DiscTrack> tracks;
    std::vector<Stretch> image;
};

// Beside every sheet: "data.bin" (300 sectors), "audio.bin" (200), "all.bin" (1000).
class DiscLayoutTest : public ::testing::TestWithParam<Layout> {
protected:
    void SetUp() override {
        files["data.bin"] = distinctSectors(300, 1);
        files["audio.bin"] = distinctSectors(200, 2);
        files["all.bin"] = distinctSectors(1000, 3);
        for (const auto& [name, content] : files) folder.write(name, content);
    }
    Bytes expectedImage(const std::vector<Stretch>& stretches) {
        Bytes image;
        for (const Stretch& s : stretches) {
            if (!s.file) {
                image.resize(image.size() + s.sectors * kSectorSize, 0);
                continue;
            }
            const Bytes& file = files[s.file];
            image.insert(image.end(), file.begin() + s.from * kSectorSize,
                         file.begin() + (s.from + s.sectors) * kSectorSize);
        }
        return image;
    }

    TempFolder folder;
    std::map<std::string, Bytes> files;
};

TEST_P(DiscLayoutTest, LaysTheTracksOutWithTheirPregaps) {
    auto image = openDisc(folder.write("disc.cue", std::string(GetParam().sheet)));
    ASSERT_TRUE(image.ok()) << image.error().message;
    EXPECT_EQ((*image)->tracks(), GetParam().tracks);
    const Bytes expected = expectedImage(GetParam().image);
    EXPECT_EQ((*image)->size(), expected.size());
    EXPECT_TRUE(readAll(**image) == expected);
    // Reads across the stretches give the same bytes as one whole read.
    Bytes middle(5 * kSectorSize + 17);
    const std::uint64_t at = expected.size() / 2 - 3 * kSectorSize + 5;
    ASSERT_TRUE((*image)->readExactAt(at, middle).ok());
    EXPECT_TRUE(std::equal(middle.begin(), middle.end(), expected.begin() + static_cast<std::ptrdiff_t>(at)));
}

INSTANTIATE_TEST_SUITE_P(
    Sheets, DiscLayoutTest,
    ::testing::Values(
        // Two files; the audio track's pregap is held in its file.
        Layout{"FILE data.bin BINARY\nTRACK 01 MODE2/2352\nINDEX 01 00:00:00\n"
               "FILE audio.bin BINARY\nTRACK 02 AUDIO\nINDEX 00 00:00:00\nINDEX 01 00:02:00\n",
               {{1, TrackType::Data, 0, 0}, {2, TrackType::Audio, 450, 150}},
               {{"data.bin", 0, 300}, {"audio.bin", 0, 200}}},
        // The bytes in front of a file's first INDEX belong to that track's pregap.
        Layout{"FILE data.bin BINARY\nTRACK 01 MODE2/2352\nINDEX 01 00:00:00\n"
               "FILE audio.bin BINARY\nTRACK 02 AUDIO\nINDEX 01 00:01:00\n",
               {{1, TrackType::Data, 0, 0}, {2, TrackType::Audio, 375, 75}},
               {{"data.bin", 0, 300}, {"audio.bin", 0, 200}}},
        // One file, three tracks; a PREGAP adds zero sectors in front of track 2, and
        // track 3's pregap runs from its INDEX 00.
        Layout{"FILE all.bin BINARY\nTRACK 01 MODE2/2352\nINDEX 01 00:00:00\n"
               "TRACK 02 AUDIO\nPREGAP 00:02:00\nINDEX 01 00:04:00\n"
               "TRACK 03 AUDIO\nINDEX 00 00:08:00\nINDEX 01 00:10:00\n",
               {{1, TrackType::Data, 0, 0}, {2, TrackType::Audio, 450, 150}, {3, TrackType::Audio, 900, 150}},
               {{"all.bin", 0, 300}, {nullptr, 0, 150}, {"all.bin", 300, 700}}},
        // The audio track's pregap at the end of the file before its own: its INDEX 00
        // there, its INDEX 01 in its file (at its start, or further in).
        Layout{"FILE data.bin BINARY\nTRACK 01 MODE2/2352\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 00 00:02:00\n"
               "FILE audio.bin BINARY\nINDEX 01 00:00:00\n",
               {{1, TrackType::Data, 0, 0}, {2, TrackType::Audio, 300, 150}},
               {{"data.bin", 0, 300}, {"audio.bin", 0, 200}}},
        Layout{"FILE data.bin BINARY\nTRACK 01 MODE2/2352\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 00 00:03:74\n"
               "FILE audio.bin BINARY\nINDEX 01 00:00:10\nTRACK 03 AUDIO\nINDEX 01 00:01:00\n",
               {{1, TrackType::Data, 0, 0}, {2, TrackType::Audio, 310, 11}, {3, TrackType::Audio, 375, 0}},
               {{"data.bin", 0, 300}, {"audio.bin", 0, 200}}},
        // A file that holds only the pregap of the track after it.
        Layout{"FILE data.bin BINARY\nTRACK 01 MODE2/2352\nINDEX 01 00:00:00\nFILE all.bin BINARY\nTRACK 02 AUDIO\n"
               "INDEX 00 00:01:00\nFILE audio.bin BINARY\nINDEX 01 00:00:00\n",
               {{1, TrackType::Data, 0, 0}, {2, TrackType::Audio, 1300, 1000}},
               {{"data.bin", 0, 300}, {"all.bin", 0, 1000}, {"audio.bin", 0, 200}}},
        // An audio track first: the data track after it.
        Layout{"FILE audio.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
               "FILE data.bin BINARY\nTRACK 02 MODE1/2352\nPREGAP 00:00:10\nINDEX 01 00:00:00\n",
               {{1, TrackType::Audio, 0, 0}, {2, TrackType::Data, 210, 10}},
               {{"audio.bin", 0, 200}, {nullptr, 0, 10}, {"data.bin", 0, 300}}}));

TEST(OpenDiscTest, AFilesPartialLastSectorReadsAsAWholeOneEndingInZeros) {
    TempFolder folder;
    const Bytes whole = distinctSectors(10, 4);
    const Bytes partial(whole.begin(), whole.end() - 1000);
    folder.write("short.bin", partial);
    auto image = openDisc(
        folder.write("disc.cue", std::string("FILE short.bin BINARY\nTRACK 01 MODE2/2352\nINDEX 01 00:00:00\n")));
    ASSERT_TRUE(image.ok()) << image.error().message;
    EXPECT_EQ((*image)->size(), whole.size());
    Bytes expected = partial;
    expected.resize(whole.size(), 0);
    EXPECT_EQ(readAll(**image), expected);
}

TEST(OpenDiscTest, FirstDataTrackIsReadFromItsIndex01UpToItsEnd) {
    TempFolder folder;
    const Bytes audio = distinctSectors(50, 1);
    const Bytes data = distinctSectors(20, 2);
    folder.write("audio.bin", audio);
    folder.write("data.bin", data);
    folder.write("more.bin", distinctSectors(100, 3));
    auto image = openDisc(folder.write(
        "disc.cue", std::string("FILE audio.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
                                "FILE data.bin BINARY\nTRACK 02 MODE2/2352\nINDEX 01 00:00:05\n"
                                "FILE more.bin BINARY\nTRACK 03 AUDIO\nINDEX 00 00:00:00\nINDEX 01 00:00:01\n")));
    ASSERT_TRUE(image.ok()) << image.error().message;
    const auto head = (*image)->readFirstDataTrack(65535);
    ASSERT_TRUE(head.ok());
    EXPECT_EQ(*head, Bytes(data.begin() + 5 * kSectorSize, data.end()));
    EXPECT_EQ((*image)->readFirstDataTrack(100)->size(), 100u);
}

TEST(OpenDiscTest, ASheetWithoutDataTrackGivesNoBytesToScan) {
    TempFolder folder;
    folder.write("audio.bin", distinctSectors(5, 1));
    auto image =
        openDisc(folder.write("disc.cue", std::string("FILE audio.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n")));
    ASSERT_TRUE(image.ok());
    EXPECT_TRUE((*image)->readFirstDataTrack(65535)->empty());
}

}  // namespace
}  // namespace quillon

namespace quillon {
namespace {

struct PackedCase {
    const char* name;
    std::string head;
    const char* message;  // after the quoted path
};

class PackedSourceTest : public ::testing::TestWithParam<PackedCase> {};

// Whatever the file's name, its first bytes tell.
TEST_P(PackedSourceTest, IsRefusedNamingItsFormat) {
    TempFolder folder;
    std::string content = GetParam().head;
    content.resize(3 * 2352, 'x');
    const std::string path = folder.write("game.bin", content);
    auto image = openDisc(path);
    ASSERT_FALSE(image.ok());
    EXPECT_EQ(image.error().message, "\"" + path + "\" " + GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PackedSourceTest,
    ::testing::Values(
        PackedCase{"Zip", "PK\x03\x04", "is a ZIP archive, not a disc image: unpack the disc image from it first."},
        PackedCase{"SevenZip", "7z\xBC\xAF\x27\x1C",
                   "is a 7-Zip archive, not a disc image: unpack the disc image from it first."},
        PackedCase{"Rar", "Rar!\x1A\x07\x01",
                   "is a RAR archive, not a disc image: unpack the disc image from it first."},
        PackedCase{"Gzip", "\x1F\x8B\x08",
                   "is a gzip-compressed file, not a disc image: unpack the disc image from it first."},
        PackedCase{"Ecm", std::string("ECM\0", 4),
                   "is an ECM file (a disc image whose error-correction data was taken out), not a disc image: "
                   "unpack it into the disc image with an ECM decoder first."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OpenDiscTest, FilesThatOnlyBeginLikeAPackedOneAreImages) {
    TempFolder folder;
    for (const std::string& head : std::vector<std::string>{"PK", "7z", "Rar!", "\x1F\x8B", "ECM", "MCompr"}) {
        const std::string path = folder.write("game.iso", head);
        auto image = openDisc(path);
        ASSERT_TRUE(image.ok()) << image.error().message;
        EXPECT_EQ((*image)->size(), head.size());
    }
}

TEST(OpenDiscTest, AFileWithTheChdSignatureIsReadAsACHDWhateverItsName) {
    TempFolder folder;
    const std::string path = folder.write("game.bin", std::string("MComprHD\0\0\0\x7C\0\0\0\x04", 16));
    auto image = openDisc(path);
    ASSERT_FALSE(image.ok());
#ifdef QUILLON_WITHOUT_CHD
    EXPECT_EQ(image.error().message,
              "The CHD \"" + path + "\" cannot be read: CHD sources are not supported in this build.");
#else
    EXPECT_EQ(image.error().message,
              "The CHD \"" + path + "\" cannot be read: it is a CHD of version 4, and only version 5 is read.");
#endif
}

}  // namespace
}  // namespace quillon
