#include "state/default_fields.h"

#include <gtest/gtest.h>

#include "common/file_io.h"
#include "state/fields.h"
#include "support/recording.h"

namespace quillon {
namespace {

const std::string kSep(1, kPathSeparator);
// Windows holds no folder name that ends in a blank.
#ifdef _WIN32
const std::string kTrailingBlank;
#else
const std::string kTrailingBlank = " ";
#endif

TEST(GameFolderNameTest, ForbiddenCharactersBecomeSpacesAndTrailingStopsGo) {
    EXPECT_EQ(gameFolderName("Game: Part 1?"), "Game  Part 1" + kTrailingBlank);
    EXPECT_EQ(gameFolderName("a/b\\c:d*e?f\"g<h>i|j"), "a b c d e f g h i j");
    EXPECT_EQ(gameFolderName("Wait..."), "Wait");
    EXPECT_EQ(gameFolderName("A.B."), "A.B");
    EXPECT_EQ(gameFolderName("..."), "");
    EXPECT_EQ(gameFolderName(""), "");
    // A NUL (from a game list's title) would cut the path short.
#ifdef _WIN32
    EXPECT_EQ(gameFolderName(std::string("Ti\0tle\t\x1f\x7f", 9)), "Ti tle");
#else
    EXPECT_EQ(gameFolderName(std::string("Ti\0tle\t\x1f\x7f", 9)), "Ti tle   ");
#endif
}

TEST(GameFolderNameTest, DeviceNamesAreKeptOnlyWhereTheyAreNoDevices) {
#ifdef _WIN32
    EXPECT_EQ(gameFolderName("Con"), "Con_");
#else
    EXPECT_EQ(gameFolderName("Con"), "Con");
#endif
}

TEST(WindowsFolderNameTest, NamesWindowsCannotHoldAreMadeSafe) {
    const std::pair<std::string, std::string> cases[] = {
        {"Harbor Run", "Harbor Run"},
        {"Game . . ", "Game"},
        {"CON", "CON_"},
        {"con.txt", "con_.txt"},
        {"Aux .x", "Aux_ .x"},
        {"nul", "nul_"},
        {"PRN.", "PRN_"},
        {"COM1", "COM1_"},
        {"lpt9", "lpt9_"},
        {"COM0", "COM0"},
        {"COM10", "COM10"},
        {"LPT", "LPT"},
        {"CONSOLE", "CONSOLE"},
        {"Icon", "Icon"},
        {"...", ""},
        {"", ""},
    };
    for (const auto& [name, safe] : cases) EXPECT_EQ(windowsFolderName(name), safe) << name;
}

class AppendGameFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        fields.setText(Field::discIdPrefix, "SLUS");
        fields.setText(Field::discIdNumber, "01234");
        fields.setText(Field::title, "Game: Part 1?");
        fields.setText(Field::saveTitle, "Save...");
        fields.setText(Field::outputFolder, "/psp");
    }
    FieldState fields;
};

TEST_F(AppendGameFolderTest, EachOptionNamesTheSubFolder) {
    fields.setFolderOption(FolderOption::NoSubFolder);
    appendGameFolder(fields);
    EXPECT_EQ(fields.text(Field::outputFolder), "/psp");

    fields.setFolderOption(FolderOption::DiscId);
    appendGameFolder(fields);
    EXPECT_EQ(fields.text(Field::outputFolder), "/psp" + kSep + "SLUS01234");

    fields.setText(Field::outputFolder, "/psp");
    fields.setFolderOption(FolderOption::Title);
    appendGameFolder(fields);
    EXPECT_EQ(fields.text(Field::outputFolder), "/psp" + kSep + "Game  Part 1" + kTrailingBlank);

    fields.setText(Field::outputFolder, "/psp");
    fields.setFolderOption(FolderOption::SaveTitle);
    appendGameFolder(fields);
    EXPECT_EQ(fields.text(Field::outputFolder), "/psp" + kSep + "Save");
}

TEST_F(AppendGameFolderTest, FolderEndingInSeparatorOrEmptyAndRepeatedCalls) {
    fields.setFolderOption(FolderOption::DiscId);
    fields.setText(Field::outputFolder, kSep);
    appendGameFolder(fields);
    EXPECT_EQ(fields.text(Field::outputFolder), kSep + kSep + "SLUS01234");

    appendGameFolder(fields);
    EXPECT_EQ(fields.text(Field::outputFolder), kSep + kSep + "SLUS01234" + kSep + "SLUS01234");

    // An empty folder would become one at the root of the file system.
    fields.setText(Field::outputFolder, "");
    appendGameFolder(fields);
    EXPECT_EQ(fields.text(Field::outputFolder), "");
}

TEST_F(AppendGameFolderTest, EmptyNameLeavesTheFolderAsChosen) {
    fields.setFolderOption(FolderOption::DiscId);
    fields.setText(Field::discIdPrefix, "");
    fields.setText(Field::discIdNumber, "");
    appendGameFolder(fields);
    EXPECT_EQ(fields.text(Field::outputFolder), "/psp");

    fields.setFolderOption(FolderOption::SaveTitle);
    fields.setText(Field::saveTitle, "..");
    appendGameFolder(fields);
    EXPECT_EQ(fields.text(Field::outputFolder), "/psp");

    fields.setFolderOption(std::nullopt);
    appendGameFolder(fields);
    EXPECT_EQ(fields.text(Field::outputFolder), "/psp");
}

TEST(ApplyDefaultFieldsTest, CopiesTheDefaultsAndRecomposesOncePerChangedPicture) {
    testing::RecordingFields fields;
    fields.setText(Field::defaultOutputFolder, "/out");
    fields.setText(Field::defaultIcon0, "/i0.png");
    fields.setText(Field::defaultPic1, "/p1.png");
    fields.setText(Field::defaultSnd0, "/s.at3");
    fields.setText(Field::defaultIcon1, "/i1.pmf");
    fields.setText(Field::pic0, "/old.png");
    fields.compositions.clear();
    applyDefaultFields(fields);
    EXPECT_EQ(fields.text(Field::outputFolder), "/out");
    EXPECT_EQ(fields.text(Field::icon0), "/i0.png");
    EXPECT_EQ(fields.text(Field::pic1), "/p1.png");
    EXPECT_EQ(fields.text(Field::pic0), "");
    EXPECT_EQ(fields.text(Field::snd0), "/s.at3");
    EXPECT_EQ(fields.text(Field::icon1), "/i1.pmf");
    EXPECT_EQ(fields.compositions.size(), 3u);

    applyDefaultFields(fields);
    EXPECT_EQ(fields.compositions.size(), 3u);
}

}  // namespace
}  // namespace quillon
