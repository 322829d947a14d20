#include "state/default_fields.h"

#include <gtest/gtest.h>

#include "common/file_io.h"
#include "state/fields.h"
#include "support/recording.h"

namespace quillon {
namespace {

const std::string kSep(1, kPathSeparator);

TEST(GameFolderNameTest, ForbiddenCharactersBecomeSpacesAndTrailingStopsGo) {
    EXPECT_EQ(gameFolderName("Game: Part 1?"), "Game  Part 1 ");
    EXPECT_EQ(gameFolderName("a/b\\c:d*e?f\"g<h>i|j"), "a b c d e f g h i j");
    EXPECT_EQ(gameFolderName("Wait..."), "Wait");
    EXPECT_EQ(gameFolderName("A.B."), "A.B");
    EXPECT_EQ(gameFolderName("..."), "");
    EXPECT_EQ(gameFolderName(""), "");
    // A NUL (from a game list's title) would cut the path short.
    EXPECT_EQ(gameFolderName(std::string("Ti\0tle\t\x1f\x7f", 9)), "Ti tle   ");
}

class AppendGameFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        fields.setText(Field::saveID_l, "SLUS");
        fields.setText(Field::saveID, "01234");
        fields.setText(Field::labelText, "Game: Part 1?");
        fields.setText(Field::saveTitle, "Save...");
        fields.setText(Field::dstPbp, "/psp");
    }
    FieldState fields;
};

TEST_F(AppendGameFolderTest, EachOptionNamesTheSubFolder) {
    fields.setFolderOption(0);
    appendGameFolder(fields);
    EXPECT_EQ(fields.text(Field::dstPbp), "/psp");

    fields.setFolderOption(1);
    appendGameFolder(fields);
    EXPECT_EQ(fields.text(Field::dstPbp), "/psp" + kSep + "SLUS01234");

    fields.setText(Field::dstPbp, "/psp");
    fields.setFolderOption(2);
    appendGameFolder(fields);
    EXPECT_EQ(fields.text(Field::dstPbp), "/psp" + kSep + "Game  Part 1 ");

    fields.setText(Field::dstPbp, "/psp");
    fields.setFolderOption(3);
    appendGameFolder(fields);
    EXPECT_EQ(fields.text(Field::dstPbp), "/psp" + kSep + "Save");
}

TEST_F(AppendGameFolderTest, FolderEndingInSeparatorOrEmptyAndRepeatedCalls) {
    fields.setFolderOption(1);
    fields.setText(Field::dstPbp, kSep);
    appendGameFolder(fields);
    EXPECT_EQ(fields.text(Field::dstPbp), kSep + kSep + "SLUS01234");

    appendGameFolder(fields);
    EXPECT_EQ(fields.text(Field::dstPbp), kSep + kSep + "SLUS01234" + kSep + "SLUS01234");

    // An empty folder would become one at the root of the file system.
    fields.setText(Field::dstPbp, "");
    appendGameFolder(fields);
    EXPECT_EQ(fields.text(Field::dstPbp), "");
}

TEST_F(AppendGameFolderTest, EmptyNameLeavesTheFolderAsChosen) {
    fields.setFolderOption(1);
    fields.setText(Field::saveID_l, "");
    fields.setText(Field::saveID, "");
    appendGameFolder(fields);
    EXPECT_EQ(fields.text(Field::dstPbp), "/psp");

    fields.setFolderOption(3);
    fields.setText(Field::saveTitle, "..");
    appendGameFolder(fields);
    EXPECT_EQ(fields.text(Field::dstPbp), "/psp");

    fields.setFolderOption(-1);
    appendGameFolder(fields);
    EXPECT_EQ(fields.text(Field::dstPbp), "/psp");
}

TEST(ApplyDefaultFieldsTest, CopiesTheDefaultsAndRecomposesOncePerChangedPicture) {
    testing::RecordingFields fields;
    fields.setText(Field::defOutput, "/out");
    fields.setText(Field::defIcon0, "/i0.png");
    fields.setText(Field::defPic1, "/p1.png");
    fields.setText(Field::defSnd0, "/s.at3");
    fields.setText(Field::defIcon1, "/i1.pmf");
    fields.setText(Field::unknown, "/old.png");
    fields.compositions.clear();
    applyDefaultFields(fields);
    EXPECT_EQ(fields.text(Field::dstPbp), "/out");
    EXPECT_EQ(fields.text(Field::icon0), "/i0.png");
    EXPECT_EQ(fields.text(Field::pic1), "/p1.png");
    EXPECT_EQ(fields.text(Field::unknown), "");
    EXPECT_EQ(fields.text(Field::snd0), "/s.at3");
    EXPECT_EQ(fields.text(Field::icon1), "/i1.pmf");
    EXPECT_EQ(fields.compositions.size(), 3u);

    applyDefaultFields(fields);
    EXPECT_EQ(fields.compositions.size(), 3u);
}

}  // namespace
}  // namespace quillon
