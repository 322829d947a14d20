#include "inspect/inspect_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "common/file_io.h"
#include "source/disc_id.h"
#include "support/pbp_builder.h"
#include "support/recording.h"
#include "support/temp_folder.h"

namespace quillon {
namespace {

using testing::buildContainer;
using testing::bytesOf;
using testing::ContainerRecipe;
using testing::readFile;
using testing::RecordingFields;
using testing::RecordingHost;
using testing::setHeaderOffset;

constexpr const char* kUnknownRegion = "Game region: [?]";

// An image whose first bytes hold `id` at offset 1,000 among filler.
Bytes imageHolding(const std::string& id, std::size_t size = 70000) {
    Bytes image(size, 0x20);
    std::copy(id.begin(), id.end(), image.begin() + 1000);
    return image;
}

class InspectTest : public ::testing::Test {
protected:
    InspectTest() {
        std::filesystem::create_directories(dir.path() / "Files");
        std::filesystem::create_directories(dir.path() / "Pics");
        dir.write("Files/gameInfo.txt", "SCES-99999;x;Japan;Other Game\r\nSLUS-01234;x;USA;Some Game [Disc 1]\r\n");
        gameList = loadGameList(dir.file("Files/gameInfo.txt"));
        const std::pair<Field, const char*> settingsAndLeftovers[] = {
            {Field::defaultOutputFolder, "/out"},
            {Field::defaultIcon0, "/defaults/icon0.png"},
            {Field::defaultIcon1, "/defaults/icon1.pmf"},
            {Field::defaultPic0, "/defaults/pic0.png"},
            {Field::defaultPic1, "/defaults/pic1.png"},
            {Field::defaultSnd0, "/defaults/snd0.at3"},
            // What the previous source left behind.
            {Field::title, "Previous Title"},
            {Field::saveTitle, "Previous Save"},
            {Field::discIdPrefix, "SCES"},
            {Field::discIdNumber, "11111"},
            {Field::regionCaption, "Game region: Europe"},
            {Field::warning, "/previous/warning.png"},
        };
        for (const auto& [field, text] : settingsAndLeftovers) fields.setText(field, text);
    }

    void inspect(const std::string& source) {
        fields.setText(Field::sourcePath, source);
        fields.compositions.clear();
        fields.carets.clear();
        // The tests read what inspection showed through the host and set in the fields.
        (void)inspectSource(fields, host, gameList, ProgramFolder(dir.folder()));
    }

    std::string path(const std::string& relative) const { return dir.nativeFile(relative); }
    bool exists(const std::string& relative) const { return std::filesystem::exists(path(relative)); }

    void expectDefaultArtwork() const {
        EXPECT_EQ(fields.text(Field::icon0), "/defaults/icon0.png");
        EXPECT_EQ(fields.text(Field::icon1), "/defaults/icon1.pmf");
        EXPECT_EQ(fields.text(Field::pic0), "/defaults/pic0.png");
        EXPECT_EQ(fields.text(Field::pic1), "/defaults/pic1.png");
        EXPECT_EQ(fields.text(Field::snd0), "/defaults/snd0.at3");
    }
    void expectUnidentified() const {
        EXPECT_EQ(fields.text(Field::regionCaption), kUnknownRegion);
        EXPECT_EQ(fields.text(Field::discIdPrefix), "");
        EXPECT_EQ(fields.text(Field::discIdNumber), "");
    }
    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const auto& m : host.messages) texts.push_back(m.text);
        return texts;
    }

    testing::TempFolder dir;
    GameList gameList;
    RecordingFields fields;
    RecordingHost host;
};

// ---- no file at the path ----

TEST_F(InspectTest, AnEmptySourceResetsToTheDefaults) {
    fields.setFolderOption(FolderOption::DiscId);
    fields.setText(Field::icon0, "/chosen/icon0.png");
    inspect("");
    expectUnidentified();
    EXPECT_EQ(fields.text(Field::title), "");
    EXPECT_EQ(fields.text(Field::saveTitle), "");
    EXPECT_EQ(fields.text(Field::outputFolder), "/out");  // no game folder appended
    expectDefaultArtwork();
    EXPECT_EQ(fields.text(Field::warning), "/previous/warning.png");
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(InspectTest, AFolderOrAFileNotThereYetTakesItsTitleFromTheName) {
    std::filesystem::create_directories(dir.path() / "Game.Folder");
    inspect(path("Game.Folder"));
    expectUnidentified();
    EXPECT_EQ(fields.text(Field::title), "Game");

    inspect(path("g/Foo.Bar.bin"));
    expectUnidentified();
    EXPECT_EQ(fields.text(Field::title), "Foo.Bar");
    EXPECT_EQ(fields.text(Field::saveTitle), "Foo.Bar");
    EXPECT_EQ(fields.text(Field::outputFolder), "/out");
    EXPECT_TRUE(host.messages.empty());
}

// ---- disc images ----

TEST_F(InspectTest, AnImageIsIdentifiedAndLookedUp) {
    fields.setFolderOption(FolderOption::DiscId);
    const std::string image = dir.write("Crash.bin", imageHolding("BOOT = cdrom:\\SLUS_012.34;1"));
    inspect(image);
    EXPECT_EQ(fields.text(Field::discIdPrefix), "SLUS");
    EXPECT_EQ(fields.text(Field::discIdNumber), "01234");
    EXPECT_EQ(fields.text(Field::title), "Some Game [Disc 1]");
    EXPECT_EQ(fields.text(Field::saveTitle), "Some Game");
    EXPECT_EQ(fields.text(Field::regionCaption), "Game region: USA");
    EXPECT_EQ(fields.text(Field::outputFolder), std::string("/out") + kPathSeparator + "SLUS01234");
    expectDefaultArtwork();
    EXPECT_EQ(fields.text(Field::warning), "/previous/warning.png");  // no Files/base.pbp
    // The three picture defaults' change handlers; an image has no composition of its own.
    EXPECT_EQ(fields.compositions.size(), 3u);
    EXPECT_TRUE(host.messages.empty());
}

// ---- cue sheets and playlists ----

TEST_F(InspectTest, ACueSheetIsIdentifiedFromItsFirstDataTrack) {
    // The sheet's text and the audio track hold no ID; the data track, in a second file,
    // does, past what the sheet itself would give.
    dir.write("audio.bin", Bytes(4 * 2352, 0));
    dir.write("data.bin", imageHolding("BOOT = cdrom:\\SLUS_012.34;1", 10 * 2352));
    const std::string sheet = dir.write("Game (Disc 1).cue",
                                        "FILE \"data.bin\" BINARY\r\n  TRACK 01 MODE2/2352\r\n"
                                        "    INDEX 01 00:00:00\r\nFILE \"audio.bin\" BINARY\r\n"
                                        "  TRACK 02 AUDIO\r\n    INDEX 01 00:00:00\r\n");
    inspect(sheet);
    EXPECT_EQ(fields.text(Field::discIdPrefix) + fields.text(Field::discIdNumber), "SLUS01234");
    EXPECT_EQ(fields.text(Field::title), "Some Game [Disc 1]");
    EXPECT_TRUE(host.messages.empty());

    // Without a list entry, the titles come from the sheet's name, marker and all.
    gameList.clear();
    inspect(sheet);
    EXPECT_EQ(fields.text(Field::title), "Game (Disc 1)");
}

TEST_F(InspectTest, APlaylistIsInspectedAsItsFirstDiscAndTitledWithoutTheDiscMarker) {
    gameList.clear();
    dir.write("discs/Harbor Run (Disc 1).bin", imageHolding("SLUS_990.04"));
    dir.write("discs/Harbor Run (Disc 2).bin", imageHolding("SLUS_990.05"));
    const std::string playlist =
        dir.write("Harbor.m3u", "# discs\ndiscs/Harbor Run (Disc 1).bin\n\ndiscs/Harbor Run (Disc 2).bin\n");
    inspect(playlist);
    EXPECT_EQ(fields.text(Field::discIdPrefix) + fields.text(Field::discIdNumber), "SLUS99004");
    EXPECT_EQ(fields.text(Field::title), "Harbor Run");
    EXPECT_EQ(fields.text(Field::saveTitle), "Harbor Run");
    EXPECT_TRUE(host.messages.empty());

    const std::string broken = dir.write("broken.m3u", "discs/missing.bin\n");
    inspect(broken);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].text.find("\"" + broken + "\", line 1"), std::string::npos) << host.messages[0].text;
}

TEST(DiscMarkerTest, TheMarkerAtTheEndOfATitleGoes) {
    const std::pair<std::string, std::string> cases[] = {
        {"Game (Disc 1)", "Game"},      {"Game [disc 2]", "Game"},          {"Game DISC 3", "Game"},
        {"GameDisc 1", "Game"},         {"Game (Disc)", "Game (Disc)"},     {"Game 2", "Game 2"},
        {"Disc 1 Game", "Disc 1 Game"}, {"Game (Disc 1]", "Game (Disc 1]"},
    };
    for (const auto& [title, without] : cases) EXPECT_EQ(withoutDiscMarker(title), without) << title;
}

TEST_F(InspectTest, AnImageWithoutAnIdTakesItsTitlesFromTheFileName) {
    // The prefix lies beyond the 65,535 bytes read; lower case is not a prefix.
    Bytes image = imageHolding("slus_012.34");
    const std::string late = "SLUS_012.34";
    std::copy(late.begin(), late.end(), image.begin() + 65535 - 10);
    inspect(dir.write("Some.Game.PNG", image));
    expectUnidentified();
    EXPECT_EQ(fields.text(Field::title), "Some.Game");
    EXPECT_EQ(fields.text(Field::saveTitle), "Some.Game");
}

TEST_F(InspectTest, AnIdWithoutAListEntryKeepsTheIdAndTakesTheTitleFromTheFileName) {
    fields.setFolderOption(FolderOption::Title);
    inspect(dir.write("Unlisted Game.iso", imageHolding("SLES-55555")));
    EXPECT_EQ(fields.text(Field::discIdPrefix), "SLES");
    EXPECT_EQ(fields.text(Field::discIdNumber), "55555");
    EXPECT_EQ(fields.text(Field::regionCaption), kUnknownRegion);
    EXPECT_EQ(fields.text(Field::title), "Unlisted Game");
    EXPECT_EQ(fields.text(Field::saveTitle), "Unlisted Game");
    EXPECT_EQ(fields.text(Field::outputFolder), std::string("/out") + kPathSeparator + "Unlisted Game");
}

TEST_F(InspectTest, AnImageTakesItsArtworkFromTheLibrary) {
    dir.write("Pics/pic1/SLUS01234.png", "library pic1");
    const std::string pic1 = dir.nativeFile("Pics/pic1/SLUS01234.png");
    inspect(dir.write("game.img", imageHolding("SLUS-01234")));
    EXPECT_EQ(fields.text(Field::pic1), pic1);
    EXPECT_EQ(fields.text(Field::icon0), "/defaults/icon0.png");
    ASSERT_EQ(fields.compositions.size(), 4u);  // three defaults, then the library's PIC1
    EXPECT_EQ(fields.compositions.back().pic1, pic1);
}

TEST_F(InspectTest, BasePbpGivesTheDefaultWarningPicture) {
    dir.write("Files/base.pbp", buildContainer({.startPicture = bytesOf("base warning")}));
    dir.write("Pics/warning.png", "from an earlier container");
    inspect(dir.write("game.iso", imageHolding("SLUS-01234")));
    EXPECT_FALSE(exists("Pics/warning.png"));
    EXPECT_EQ(readFile(path("warning.png")), "base warning");
    EXPECT_EQ(fields.text(Field::warning), path("warning.png"));
    EXPECT_EQ(fields.carets.back(), Field::warning);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(InspectTest, DefWarningWinsButBasePbpIsStillWrittenOut) {
    dir.write("Files/base.pbp", buildContainer({.startPicture = bytesOf("base warning")}));
    fields.setText(Field::defaultWarning, "/mine/warning.png");
    inspect(dir.write("game.iso", imageHolding("nothing")));
    EXPECT_EQ(readFile(path("warning.png")), "base warning");
    EXPECT_EQ(fields.text(Field::warning), "/mine/warning.png");
}

TEST_F(InspectTest, WithoutAStartScreenInBasePbpTheWarningStays) {
    dir.write("Files/base.pbp", buildContainer({.startPicture = std::nullopt}));
    fields.setText(Field::defaultWarning, "/mine/warning.png");
    dir.write("Pics/warning.png", "from an earlier container");
    inspect(dir.write("game.iso", imageHolding("nothing")));
    EXPECT_FALSE(exists("Pics/warning.png"));
    EXPECT_FALSE(exists("warning.png"));
    EXPECT_EQ(fields.text(Field::warning), "/previous/warning.png");
}

TEST_F(InspectTest, WithoutBasePbpNothingIsDeletedAndTheWarningStays) {
    dir.write("Pics/warning.png", "from an earlier container");
    std::filesystem::create_directories(dir.path() / "Files" / "base.pbp");  // a folder
    inspect(dir.write("game.iso", imageHolding("SLUS-01234")));
    EXPECT_TRUE(exists("Pics/warning.png"));
    EXPECT_EQ(fields.text(Field::warning), "/previous/warning.png");
}

// ---- containers ----

TEST_F(InspectTest, AContainerFillsTheFieldsAndWritesItsArtworkOut) {
    fields.setFolderOption(FolderOption::SaveTitle);
    dir.write("Pics/icon0/SLUS01234.png", "library icon0");  // not consulted for a container
    const Bytes container = buildContainer({});
    const std::string source = dir.write("GAME.PBP", container);
    inspect(source);
    EXPECT_EQ(fields.text(Field::discIdPrefix), "SLUS");
    EXPECT_EQ(fields.text(Field::discIdNumber), "01234");
    EXPECT_EQ(fields.text(Field::title), "Test Game");      // PARAM.SFO, not the list
    EXPECT_EQ(fields.text(Field::saveTitle), "Test Save");  // the disc-image block
    EXPECT_EQ(fields.text(Field::regionCaption), "Game region: USA");
    EXPECT_EQ(fields.text(Field::outputFolder), std::string("/out") + kPathSeparator + "Test Save");

    EXPECT_EQ(fields.text(Field::icon0), path("Pics/icon0.png"));
    EXPECT_EQ(fields.text(Field::icon1), path("Pics/icon1.pmf"));
    EXPECT_EQ(fields.text(Field::pic0), path("Pics/pic0.png"));
    EXPECT_EQ(fields.text(Field::pic1), path("Pics/pic1.png"));
    EXPECT_EQ(fields.text(Field::snd0), path("Pics/snd0.at3"));
    EXPECT_EQ(fields.text(Field::warning), path("Pics/warning.png"));
    EXPECT_EQ(readFile(path("Pics/icon0.png")), "icon0 picture");
    EXPECT_EQ(readFile(path("Pics/icon1.pmf")), "icon1 movie");
    EXPECT_EQ(readFile(path("Pics/pic0.png")), "pic0 picture");
    EXPECT_EQ(readFile(path("Pics/pic1.png")), "pic1 picture");
    EXPECT_EQ(readFile(path("Pics/snd0.at3")), "snd0 sound");
    EXPECT_EQ(readFile(path("Pics/warning.png")), "start-screen picture");
    EXPECT_EQ(readFile(source), std::string(container.begin(), container.end()));
    EXPECT_TRUE(host.messages.empty());

    // Every path put into a field has its caret at the end.
    for (Field f :
         {Field::warning, Field::icon0, Field::icon1, Field::pic0, Field::pic1, Field::snd0, Field::outputFolder}) {
        EXPECT_NE(std::find(fields.carets.begin(), fields.carets.end(), f), fields.carets.end());
    }
}

TEST_F(InspectTest, TheContainersPicturesRecomposeThePreviewAndThenOnceMore) {
    inspect(dir.write("game.pbp", buildContainer({})));
    const std::string icon0 = path("Pics/icon0.png");
    const std::string pic0 = path("Pics/pic0.png");
    const std::string pic1 = path("Pics/pic1.png");
    const std::string warning = path("Pics/warning.png");
    // applyDefaultFields (three changes), then ICON0, PIC0 and PIC1 as they are written,
    // then the composition that shows the warning picture as well.
    const std::vector<RecordingFields::Composition> expected{
        {"/defaults/icon0.png", "", "", "/previous/warning.png"},
        {"/defaults/icon0.png", "/defaults/pic1.png", "", "/previous/warning.png"},
        {"/defaults/icon0.png", "/defaults/pic1.png", "/defaults/pic0.png", "/previous/warning.png"},
        {icon0, "/defaults/pic1.png", "/defaults/pic0.png", warning},
        {icon0, "/defaults/pic1.png", pic0, warning},
        {icon0, pic1, pic0, warning},
        {icon0, pic1, pic0, warning},
    };
    EXPECT_EQ(fields.compositions, expected);
}

TEST_F(InspectTest, EmptySectionsKeepTheirDefaultsAndLeaveNoFile) {
    dir.write("Pics/icon1.pmf", "from an earlier container");
    dir.write("Pics/snd0.at3", "from an earlier container");
    inspect(dir.write("game.pbp", buildContainer({.icon1 = {}, .snd0 = {}})));
    EXPECT_FALSE(exists("Pics/icon1.pmf"));
    EXPECT_FALSE(exists("Pics/snd0.at3"));
    EXPECT_EQ(fields.text(Field::icon1), "/defaults/icon1.pmf");
    EXPECT_EQ(fields.text(Field::snd0), "/defaults/snd0.at3");
    EXPECT_EQ(fields.text(Field::icon0), path("Pics/icon0.png"));
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(InspectTest, AContainerWithoutAStartScreenDeletesTheOldPicture) {
    dir.write("Pics/warning.png", "from an earlier container");
    inspect(dir.write("game.pbp", buildContainer({.startPicture = std::nullopt})));
    EXPECT_FALSE(exists("Pics/warning.png"));
    EXPECT_EQ(fields.text(Field::warning), "/previous/warning.png");
    EXPECT_EQ(fields.text(Field::saveTitle), "Test Save");
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(InspectTest, AContainerWithoutADiscImageStopsAfterTheArtwork) {
    fields.setFolderOption(FolderOption::DiscId);
    inspect(dir.write("game.pbp", buildContainer({.isoMarker = false})));
    EXPECT_EQ(readFile(path("Pics/pic1.png")), "pic1 picture");
    EXPECT_EQ(fields.compositions.size(), 7u);
    EXPECT_EQ(fields.text(Field::discIdPrefix), "SLUS");
    EXPECT_EQ(fields.text(Field::title), "Test Game");
    EXPECT_EQ(fields.text(Field::saveTitle), "");
    EXPECT_EQ(fields.text(Field::regionCaption), kUnknownRegion);
    EXPECT_EQ(fields.text(Field::outputFolder), "/out");
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(InspectTest, AParamSfoWithoutTheKeysGivesEmptyFields) {
    inspect(dir.write("game.pbp", buildContainer({.discId = std::nullopt, .title = std::nullopt})));
    expectUnidentified();  // no lookup without a disc ID
    EXPECT_EQ(fields.text(Field::title), "");
    EXPECT_EQ(fields.text(Field::saveTitle), "Test Save");
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(InspectTest, AMissingPicsFolderIsCreated) {
    std::filesystem::remove_all(dir.path() / "Pics");
    inspect(dir.write("game.pbp", buildContainer({})));
    EXPECT_EQ(readFile(path("Pics/warning.png")), "start-screen picture");
    EXPECT_EQ(readFile(path("Pics/icon0.png")), "icon0 picture");
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(InspectTest, ReadOnlySourcesAreInspected) {
    const std::string pbp = dir.write("game.pbp", buildContainer({}));
    const std::string image = dir.write("game.iso", imageHolding("SLUS-01234"));
    for (const std::string& p : {pbp, image}) {
        std::filesystem::permissions(p, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    }
    inspect(pbp);
    EXPECT_EQ(fields.text(Field::saveTitle), "Test Save");
    inspect(image);
    EXPECT_EQ(fields.text(Field::saveTitle), "Some Game");
    EXPECT_TRUE(host.messages.empty());
}

// ---- file errors ----

TEST_F(InspectTest, AFileErrorIsShownAndStopsInspectionAtThatStep) {
    fields.setFolderOption(FolderOption::DiscId);
    std::filesystem::remove_all(dir.path() / "Pics");
    dir.write("Pics", "a file where the folder belongs");
    inspect(dir.write("game.pbp", buildContainer({})));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Quillon");
    EXPECT_NE(host.messages[0].text.find("Pics"), std::string::npos);
    EXPECT_EQ(fields.text(Field::title), "Test Game");  // done before the failing step
    EXPECT_EQ(fields.text(Field::warning), "/previous/warning.png");
    EXPECT_EQ(fields.text(Field::icon0), "/defaults/icon0.png");
    EXPECT_EQ(fields.text(Field::saveTitle), "Previous Save");  // never reached
    EXPECT_EQ(fields.text(Field::outputFolder), "/out");
}

TEST_F(InspectTest, AnUnwritableWarningPictureStopsBeforeTheGameFolder) {
    fields.setFolderOption(FolderOption::DiscId);
    dir.write("Files/base.pbp", buildContainer({}));
    std::filesystem::create_directories(dir.path() / "warning.png");
    inspect(dir.write("game.iso", imageHolding("SLUS-01234")));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Quillon");
    EXPECT_EQ(fields.text(Field::discIdNumber), "01234");
    EXPECT_EQ(fields.text(Field::outputFolder), "/out");
}

TEST_F(InspectTest, TheSourceItselfIsNeverDeletedOrReplaced) {
    dir.write("Files/base.pbp", buildContainer({}));
    const std::string inPics = dir.write("Pics/warning.png", "chosen as source");
    inspect(inPics);
    EXPECT_EQ(readFile(inPics), "chosen as source");

    const std::string beside = dir.write("warning.png", "chosen as source");
    inspect(beside);
    EXPECT_EQ(readFile(beside), "chosen as source");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].text.find("source"), std::string::npos);
}

// ---- damaged containers ----

TEST_F(InspectTest, SectionsOutOfOrderOrPastTheEndAreSkippedWithOneMessage) {
    Bytes container = buildContainer({});
    const std::uint32_t pic1 = loadLe32(container.data() + testing::headerField(PbpSection::Pic1));
    setHeaderOffset(container, PbpSection::Pic0, pic1 + 5);     // PIC0 ends before it starts
    setHeaderOffset(container, PbpSection::DataPsp, 0xFFFFFF);  // SND0 runs past the end
    const std::string source = dir.write("game.pbp", container);
    inspect(source);
    EXPECT_EQ(readFile(path("Pics/icon0.png")), "icon0 picture");
    EXPECT_FALSE(exists("Pics/pic0.png"));
    EXPECT_FALSE(exists("Pics/snd0.at3"));
    EXPECT_EQ(fields.text(Field::pic0), "/defaults/pic0.png");
    EXPECT_EQ(fields.text(Field::snd0), "/defaults/snd0.at3");
    EXPECT_EQ(fields.text(Field::saveTitle), "Test Save");
    EXPECT_EQ(messageTexts(),
              (std::vector<std::string>{"The PBP file \"" + source + "\" is damaged. Skipped: PIC0.PNG, SND0.AT3."}));
    EXPECT_EQ(host.messages[0].caption, "Quillon");
}

TEST_F(InspectTest, AStartScreenBlockTooCloseToTheEndIsSkipped) {
    Bytes container = buildContainer({.startPicture = std::nullopt});
    const std::string marker = "STARTDAT";
    container.insert(container.end(), marker.begin(), marker.end());
    container.resize(container.size() + 5000, 0);  // 5,008 bytes from the block to the end
    const std::string source = dir.write("game.pbp", container);
    inspect(source);
    EXPECT_FALSE(exists("Pics/warning.png"));
    EXPECT_EQ(fields.text(Field::warning), "/previous/warning.png");
    EXPECT_EQ(readFile(path("Pics/icon0.png")), "icon0 picture");
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{"The PBP file \"" + source +
                                                        "\" is damaged. Skipped: the start-screen picture."}));
}

TEST_F(InspectTest, ADamagedBasePbpIsNamedInTheMessage) {
    fields.setFolderOption(FolderOption::DiscId);
    Bytes base(1048575, 0);
    const std::string marker = "STARTDAT";
    std::copy(marker.begin(), marker.end(), base.end() - 100);
    dir.write("Files/base.pbp", base);
    inspect(dir.write("game.iso", imageHolding("SLUS-01234")));
    EXPECT_FALSE(exists("warning.png"));
    EXPECT_EQ(fields.text(Field::warning), "/previous/warning.png");
    EXPECT_EQ(fields.text(Field::outputFolder), std::string("/out") + kPathSeparator + "SLUS01234");
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{"The PBP file \"" + path("Files/base.pbp") +
                                                        "\" is damaged. Skipped: the start-screen picture."}));
}

TEST_F(InspectTest, AContainerCutInsideTheDiscImageHeadKeepsWhatItHas) {
    Bytes container = buildContainer({.startPicture = std::nullopt});
    const std::uint32_t psar = loadLe32(container.data() + testing::headerField(PbpSection::DataPsar));
    container.resize(psar + 2000);
    const std::string source = dir.write("game.pbp", container);
    inspect(source);
    EXPECT_EQ(readFile(path("Pics/snd0.at3")), "snd0 sound");
    EXPECT_EQ(fields.text(Field::title), "Test Game");
    EXPECT_EQ(fields.text(Field::saveTitle), "");
    EXPECT_EQ(fields.text(Field::regionCaption), "Game region: USA");
    EXPECT_EQ(messageTexts(),
              (std::vector<std::string>{"The PBP file \"" + source + "\" is damaged. Skipped: the save title."}));
}

TEST_F(InspectTest, ADataPsarPastTheEndIsReported) {
    Bytes container = buildContainer({.startPicture = std::nullopt});
    setHeaderOffset(container, PbpSection::DataPsar, 0xFFFFF0);
    const std::string source = dir.write("game.pbp", container);
    inspect(source);
    EXPECT_EQ(readFile(path("Pics/snd0.at3")), "snd0 sound");
    EXPECT_EQ(fields.text(Field::saveTitle), "");
    EXPECT_EQ(messageTexts(),
              (std::vector<std::string>{"The PBP file \"" + source + "\" is damaged. Skipped: DATA.PSAR."}));
}

TEST_F(InspectTest, ATinyOrGarbledContainerIsReportedNotRead) {
    const std::string tiny = dir.write("tiny.pbp", std::string("\0PBP", 4));
    inspect(tiny);
    expectUnidentified();
    EXPECT_EQ(fields.text(Field::title), "");
    expectDefaultArtwork();
    EXPECT_EQ(fields.compositions.size(), 4u);  // three defaults, then the explicit one
    EXPECT_EQ(messageTexts(),
              (std::vector<std::string>{"The PBP file \"" + tiny + "\" is damaged. Skipped: the PBP header."}));

    host.messages.clear();
    Bytes container = buildContainer({});
    storeLe32(container.data() + 40 + 12, 0x7FFFFFF0);  // PARAM.SFO data table far away
    const std::string garbled = dir.write("garbled.pbp", container);
    inspect(garbled);
    EXPECT_EQ(fields.text(Field::saveTitle), "Test Save");
    EXPECT_EQ(messageTexts(),
              (std::vector<std::string>{"The PBP file \"" + garbled + "\" is damaged. Skipped: PARAM.SFO."}));
}

}  // namespace
}  // namespace quillon
