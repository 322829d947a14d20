#include "source/cue_sheet.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "source/disc_files.h"
#include "source/open_disc.h"
#include "support/temp_folder.h"

namespace quillon {
namespace {

using quillon::testing::distinctSectors;
using quillon::testing::isLineError;
using quillon::testing::TempFolder;

// The parser asks for the sizes of the files a sheet names; it is given those of
// `sectors`, files of the sheet's folder, and told that any other is missing.
class CueSheetTest : public ::testing::Test {
protected:
    std::string sheetPath() const { return folder.file("Game (Disc 1).cue"); }
    Expected<CueSheet> parse(const std::string& text) const {
        return parseCueSheet(asBytes(text), sheetPath(), [this](const std::string& path) -> Expected<std::uint64_t> {
            const auto file = sectors.find(path);
            if (file == sectors.end()) return Error::read("no size for " + path);
            return file->second * kSectorSize;
        });
    }
    void place(const std::string& name, std::uint64_t fileSectors) { sectors[folder.file(name)] = fileSectors; }

    TempFolder folder;
    std::map<std::string, std::uint64_t> sectors;
};

TEST_F(CueSheetTest, ReadsFilesTracksAndIndexesInAnyLetterCaseSkippingWhatItIgnores) {
    place("Game (Track 1).bin", 300);
    place("track2.bin", 200);
    const auto sheet = parse(
        "\xEF\xBB\xBF"
        "CATALOG 0000000000000\r\n"
        "REM GENRE \"Action\"\r\n"
        "title \"Game\"\r\n"
        "FILE \"Game (Track 1).bin\" BINARY\r\n"
        "  TRACK 01 MODE2/2352\r\n"
        "    Flags DCP\r\n"
        "    INDEX 01 00:00:00\n"
        "  POSTGAP 00:02:00\n"
        "file track2.bin binary\r"
        "  track 02 audio\r"
        "    PERFORMER \"Someone\"\r"
        "    ISRC ABCDE1234567\r"
        "    SONGWRITER x\r"
        "    index 00 00:00:00\r"
        "\tindex 01 00:02:00\r"
        "    INDEX 02 00:02:10\r");
    ASSERT_TRUE(sheet.ok()) << sheet.error().message;
    ASSERT_EQ(sheet->files.size(), 2u);
    EXPECT_EQ(sheet->files[0].path, folder.file("Game (Track 1).bin"));
    EXPECT_EQ(sheet->files[0].sectors(), 300u);
    EXPECT_EQ(sheet->files[1].path, folder.file("track2.bin"));
    ASSERT_EQ(sheet->tracks.size(), 2u);
    const CueTrack& data = sheet->tracks[0];
    EXPECT_EQ(data.number, 1);
    EXPECT_EQ(data.mode, TrackMode::Mode2);
    EXPECT_EQ(data.file, 0u);
    EXPECT_FALSE(data.index00.has_value());
    EXPECT_EQ(data.index01, 0u);
    const CueTrack& audio = sheet->tracks[1];
    EXPECT_EQ(audio.number, 2);
    EXPECT_EQ(audio.mode, TrackMode::Audio);
    EXPECT_EQ(audio.file, 1u);
    EXPECT_EQ(audio.index00, 0u);
    EXPECT_EQ(audio.index01, 150u);
    EXPECT_EQ(audio.pregap, 0u);
}

TEST_F(CueSheetTest, ReadsThreeTracksOfOneFileAndAPregap) {
    place("all.bin", 1000);
    const auto sheet = parse(
        "FILE all.bin BINARY\n"
        "  TRACK 01 MODE1/2352\n"
        "    INDEX 01 00:00:00\n"
        "  TRACK 02 AUDIO\n"
        "    PREGAP 00:02:00\n"
        "    INDEX 01 00:04:00\n"
        "  TRACK 03 AUDIO\n"
        "    INDEX 00 00:08:00\n"
        "    INDEX 01 00:10:00\n");
    ASSERT_TRUE(sheet.ok()) << sheet.error().message;
    ASSERT_EQ(sheet->tracks.size(), 3u);
    EXPECT_EQ(sheet->tracks[0].mode, TrackMode::Mode1);
    EXPECT_EQ(sheet->tracks[0].type(), TrackType::Data);
    EXPECT_EQ(sheet->tracks[1].pregap, 150u);
    EXPECT_EQ(sheet->tracks[1].index01, 300u);
    EXPECT_EQ(sheet->tracks[2].index00, 600u);
    EXPECT_EQ(sheet->tracks[2].index01, 750u);
    for (const CueTrack& track : sheet->tracks) EXPECT_EQ(track.file, 0u);
}

// A 300-sector "a.bin" and a 100-sector "b.bin" lie beside every sheet.
struct SheetError {
    const char* text;
    int line;
    const char* what;
};

class CueSheetErrorTest : public CueSheetTest, public ::testing::WithParamInterface<SheetError> {};

TEST_P(CueSheetErrorTest, NamesTheSheetAndTheLine) {
    place("a.bin", 300);
    place("b.bin", 100);
    const auto sheet = parse(GetParam().text);
    ASSERT_FALSE(sheet.ok());
    EXPECT_TRUE(isLineError(sheet.error().message, "Cue sheet", sheetPath(), GetParam().line, GetParam().what));
}

INSTANTIATE_TEST_SUITE_P(
    Sheets, CueSheetErrorTest,
    ::testing::Values(
        SheetError{"REM\nFILE \"missing.bin\" BINARY\nTRACK 01 MODE2/2352\nINDEX 01 00:00:00\n", 2, "no size for "},
        SheetError{"FILE a.bin BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\n", 2,
                   "track mode MODE1/2048 is not supported: a PlayStation disc image needs raw "
                   "2,352-byte sectors"},
        SheetError{"FILE a.bin BINARY\nTRACK 01 mode2/2336\n", 2, "track mode mode2/2336 is not supported"},
        SheetError{"FILE a.bin BINARY\nTRACK 01 MODE2/2352\nINDEX 01 00:04:00\n", 3,
                   "INDEX 01 00:04:00 lies past the end of"},
        SheetError{"FILE a.bin BINARY\r\nTRACK 01 MODE2/2352\r\nINDEX 01 00:00:00\r\nTRACK 02 AUDIO\r\n"
                   "INDEX 00 00:03:00\r\nINDEX 01 00:02:74\r\n",
                   6, "INDEX 01 00:02:74 goes backwards: it must not come before 00:03:00"},
        SheetError{"FILE a.bin BINARY\rTRACK 01 MODE2/2352\rINDEX 01 00:01:00\rTRACK 02 "
                   "AUDIO\rINDEX 01 00:01:00\r",
                   5, "goes backwards"},
        SheetError{"FILE a.bin WAVE\nTRACK 01 AUDIO\n", 1, "FILE type WAVE is not supported"},
        SheetError{"FILE a.bin MP3\n", 1, "FILE type MP3 is not supported"},
        SheetError{"FILE a.bin BINARY\nTRACK 01 MODE2/2352\n\nFILE b.bin BINARY\nTRACK 02 "
                   "AUDIO\nINDEX 01 00:00:00\n",
                   2, "track 01 has no INDEX 01"},
        SheetError{"FILE a.bin BINARY\nFILE b.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n", 1, "holds no TRACK"},
        // A pregap at the end of a file: the track's INDEX 01 is due in the next FILE.
        SheetError{"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 00 00:01:00\nFILE b.bin BINARY\nTRACK 02 AUDIO\n", 2,
                   "track 01 has no INDEX 01"},
        SheetError{"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 00 00:01:00\nFILE b.bin BINARY\nFILE a.bin BINARY\n", 2,
                   "track 01 has no INDEX 01"},
        SheetError{"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 00 00:01:00\nFILE b.bin BINARY\n", 2,
                   "track 01 has no INDEX 01"},
        SheetError{"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 00 00:01:00\nFILE b.bin BINARY\nINDEX 00 00:00:00\n", 5,
                   "the track has a second INDEX 00"},
        SheetError{"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 00 00:01:00\nFILE b.bin BINARY\nINDEX 01 00:01:40\n", 5,
                   "INDEX 01 00:01:40 lies past the end of"},
        SheetError{"FILE a.bin BINARY\nTRACK 02 MODE2/2352\n", 2, "track 02 comes where track 01 is due"},
        SheetError{"FILE a.bin BINARY\nTRACK 100 AUDIO\n", 2, "a disc holds at most 99 tracks"},
        SheetError{"TRACK 01 AUDIO\n", 1, "TRACK comes before any FILE"},
        SheetError{"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:60:00\n", 3, "is not a position"},
        SheetError{"FILE \"a.bin BINARY\n", 1, "a double quote is not closed"},
        SheetError{"FILE a.bin BINARY\nTRAK 01 AUDIO\n", 2, "unknown keyword \"TRAK\""},
        SheetError{"REM nothing\n\n", 2, "the sheet names no TRACK"}));

#ifndef _WIN32
// The reader of a sheet's disc opens the files the sheet names.
TEST_F(CueSheetTest, AFileThatIsMissingEmptyOrNoFileAtAllIsCalledWhatItIs) {
    folder.write("empty.bin", std::string());
    folder.write("sub/inside", std::string());
    ASSERT_EQ(::mkfifo(folder.file("pipe.bin").c_str(), 0600), 0);
    std::filesystem::create_symlink("loop2", folder.path() / "loop1");
    std::filesystem::create_symlink("loop1", folder.path() / "loop2");
    const std::vector<std::pair<std::string, std::string>> cases{
        {"missing.bin", "FILE names a missing file: \"" + folder.file("missing.bin") + "\""},
        {"empty.bin",
         "INDEX 01 00:00:00 lies past the end of \"" + folder.file("empty.bin") + "\" (it holds no whole sector)"},
        {"sub", "Cannot open file \"" + folder.file("sub") + "\". It is a folder, not a file."},
        {"pipe.bin", "Cannot open file \"" + folder.file("pipe.bin") + "\". It is a named pipe, not a file."},
        {"/dev/zero", "Cannot open file \"/dev/zero\". It is a device, not a file."},
        {"loop1", "Cannot open file \"" + folder.file("loop1") + "\". Too many levels of symbolic links"},
    };
    for (const auto& [name, what] : cases) {
        folder.write("Game (Disc 1).cue", "FILE \"" + name + "\" BINARY\nTRACK 01 MODE2/2352\nINDEX 01 00:00:00\n");
        const auto disc = openDisc(sheetPath());
        ASSERT_FALSE(disc.ok());
        EXPECT_EQ(disc.error().message,
                  "Cue sheet \"" + sheetPath() + "\", line " + (name == "empty.bin" ? "3" : "1") + ": " + what);
    }
}
#endif

TEST_F(CueSheetTest, WrittenSheetReadsBackToTheSameTracks) {
    const std::vector<DiscTrack> tracks{
        {1, TrackType::Data, 0, 0}, {2, TrackType::Audio, 450, 150}, {3, TrackType::Audio, 800, 0}};
    const std::string text = cueSheetText(tracks, "Game (Disc 1).bin");
    EXPECT_EQ(text,
              "FILE \"Game (Disc 1).bin\" BINARY\r\n"
              "  TRACK 01 MODE2/2352\r\n"
              "    INDEX 01 00:00:00\r\n"
              "  TRACK 02 AUDIO\r\n"
              "    INDEX 00 00:04:00\r\n"
              "    INDEX 01 00:06:00\r\n"
              "  TRACK 03 AUDIO\r\n"
              "    INDEX 01 00:10:50\r\n");
    folder.write("Game (Disc 1).bin", distinctSectors(1000, 1));
    folder.write("Game (Disc 1).cue", text);
    auto image = openDisc(sheetPath());
    ASSERT_TRUE(image.ok()) << image.error().message;
    EXPECT_EQ((*image)->tracks(), tracks);
    EXPECT_EQ((*image)->size(), 1000 * kSectorSize);
}

}  // namespace
}  // namespace quillon
