#include "inspect/artwork_library.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/file_io.h"
#include "support/recording.h"
#include "support/temp_folder.h"

namespace quillon {
namespace {

using testing::RecordingFields;

class ArtworkLibraryTest : public ::testing::Test {
protected:
    ArtworkLibraryTest() {
        fields.setText(Field::icon0, "default-icon0.png");
        fields.setText(Field::icon1, "default-icon1.pmf");
        fields.setText(Field::pic0, "default-pic0.png");
        fields.setText(Field::pic1, "default-pic1.png");
        fields.setText(Field::snd0, "default-snd0.at3");
        fields.compositions.clear();
    }

    std::string put(const std::string& relative) const {
        dir.write(relative, "artwork");
        return dir.nativeFile(relative);
    }

    testing::TempFolder dir;
    RecordingFields fields;
};

TEST_F(ArtworkLibraryTest, OnlyTheKindsWithAFileChange) {
    const std::string pic1 = put("Pics/pic1/SLUS01234.png");
    put("Pics/pic1/SLUS01235.png");
    lookUpArtwork(fields, ProgramFolder(dir.folder()), "SLUS01234");
    EXPECT_EQ(fields.text(Field::pic1), pic1);
    EXPECT_EQ(fields.text(Field::icon0), "default-icon0.png");
    EXPECT_EQ(fields.text(Field::icon1), "default-icon1.pmf");
    EXPECT_EQ(fields.text(Field::pic0), "default-pic0.png");
    EXPECT_EQ(fields.text(Field::snd0), "default-snd0.at3");
    EXPECT_EQ(fields.compositions.size(), 1u);  // pic1's change handler, once
    EXPECT_EQ(fields.carets, (std::vector<Field>{Field::icon0, Field::icon1, Field::pic0, Field::pic1, Field::snd0}));
}

TEST_F(ArtworkLibraryTest, EveryKindHasItsFolderAndExtension) {
    const std::string icon0 = put("Pics/icon0/SCES12345.png");
    const std::string icon1 = put("Pics/icon1/SCES12345.pmf");
    const std::string pic0 = put("Pics/pic0/SCES12345.png");
    const std::string pic1 = put("Pics/pic1/SCES12345.png");
    const std::string snd0 = put("Pics/snd0/SCES12345.at3");
    lookUpArtwork(fields, ProgramFolder(dir.folder()), "SCES12345");
    EXPECT_EQ(fields.text(Field::icon0), icon0);
    EXPECT_EQ(fields.text(Field::icon1), icon1);
    EXPECT_EQ(fields.text(Field::pic0), pic0);
    EXPECT_EQ(fields.text(Field::pic1), pic1);
    EXPECT_EQ(fields.text(Field::snd0), snd0);
    // ICON0, PIC0 and PIC1 each recompose the preview as they change, in table order.
    ASSERT_EQ(fields.compositions.size(), 3u);
    EXPECT_EQ(fields.compositions[0].icon0, icon0);
    EXPECT_EQ(fields.compositions[0].pic0, "default-pic0.png");
    EXPECT_EQ(fields.compositions[1].pic0, pic0);
    EXPECT_EQ(fields.compositions[1].pic1, "default-pic1.png");
    EXPECT_EQ(fields.compositions[2].pic1, pic1);
}

TEST_F(ArtworkLibraryTest, OnlyFilesWithTheKindsExtensionCount) {
    std::filesystem::create_directories(dir.path() / "Pics" / "icon0" / "SLUS01234.png");
    put("Pics/snd0/SLUS01234.png");
    put("Pics/icon1/SLUS01234.png");
    put("Pics/SLUS01234.png");
    lookUpArtwork(fields, ProgramFolder(dir.folder()), "SLUS01234");
    EXPECT_EQ(fields.text(Field::icon0), "default-icon0.png");
    EXPECT_EQ(fields.text(Field::snd0), "default-snd0.at3");
    EXPECT_EQ(fields.text(Field::icon1), "default-icon1.pmf");
    EXPECT_TRUE(fields.compositions.empty());
    EXPECT_EQ(fields.carets.size(), 5u);
}

TEST_F(ArtworkLibraryTest, AShortDiscIdIsUsedUnchanged) {
    put("Pics/icon0/SLUS01234.png");
    const std::string shortOne = put("Pics/pic0/SLUS012.png");
    lookUpArtwork(fields, ProgramFolder(dir.folder()), "SLUS012");
    EXPECT_EQ(fields.text(Field::icon0), "default-icon0.png");
    EXPECT_EQ(fields.text(Field::pic0), shortOne);
}

TEST_F(ArtworkLibraryTest, NamesMatchWhateverTheirCase) {
    const std::string icon0 = put("pics/ICON0/slus01234.PNG");
    const std::string snd0 = put("pics/Snd0/SLUS01234.AT3");
    lookUpArtwork(fields, ProgramFolder(dir.folder()), "SLUS01234");
    EXPECT_TRUE(isFile(fields.text(Field::icon0)));
    EXPECT_TRUE(isFile(fields.text(Field::snd0)));
    if (!isFile(dir.nativeFile("Pics/icon0/SLUS01234.png"))) {
        // A file system that tells case apart: the field names the file as it is spelt.
        EXPECT_EQ(fields.text(Field::icon0), icon0);
        EXPECT_EQ(fields.text(Field::snd0), snd0);
    }
}

TEST_F(ArtworkLibraryTest, TheExactSpellingWinsOverOtherCases) {
    put("Pics/pic1/slus01234.png");
    const std::string exact = put("Pics/pic1/SLUS01234.png");
    lookUpArtwork(fields, ProgramFolder(dir.folder()), "SLUS01234");
    EXPECT_EQ(fields.text(Field::pic1), exact);
}

TEST_F(ArtworkLibraryTest, AMissingLibraryFindsNothing) {
    lookUpArtwork(fields, ProgramFolder(dir.folder()), "SLUS01234");
    EXPECT_EQ(fields.text(Field::icon0), "default-icon0.png");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Pics"));  // nothing is created
}

TEST_F(ArtworkLibraryTest, ADiscIdWithASeparatorNamesNoFileInASubFolder) {
    put("Pics/icon0/SLUS/1234.png");
    lookUpArtwork(fields, ProgramFolder(dir.folder()), "SLUS/1234");
    EXPECT_EQ(fields.text(Field::icon0), "default-icon0.png");
}

}  // namespace
}  // namespace quillon
