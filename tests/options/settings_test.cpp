#include "options/settings.h"

#include <gtest/gtest.h>

#include "state/fields.h"
#include "state/program_folder.h"
#include "support/temp_folder.h"

namespace quillon {
namespace {

using testing::readFile;
using testing::TempFolder;

class SettingsTest : public ::testing::Test {
protected:
    std::string iniPath() const { return ProgramFolder(dir.folder()).optionsFile(); }
    void writeIni(const std::string& text) { dir.write("Files/options.ini", text); }
    TempFolder dir;
    FieldState fields;
};

TEST_F(SettingsTest, MissingFileLoadsEmptyFieldsAndOptionZeroAndCreatesNothing) {
    fields.setText(Field::defaultIcon0, "stale");
    fields.setFolderOption(FolderOption::Title);
    loadOptions(fields, iniPath());
    for (const StringSetting& s : kStringSettings) EXPECT_EQ(fields.text(s.field), "") << s.key;
    EXPECT_EQ(fields.folderOption(), FolderOption::NoSubFolder);
    EXPECT_FALSE(std::filesystem::exists(iniPath()));
}

TEST_F(SettingsTest, FolderOptionValues) {
    const std::pair<const char*, FolderOption> cases[] = {
        {"2", FolderOption::Title},       {"0x2", FolderOption::Title},     {"$2", FolderOption::Title},
        {"7", FolderOption::NoSubFolder}, {"x", FolderOption::NoSubFolder}, {"-1", FolderOption::NoSubFolder},
        {"3", FolderOption::SaveTitle}};
    for (const auto& [text, expected] : cases) {
        writeIni(std::string("[Options]\r\nfolderOption=") + text + "\r\n");
        loadOptions(fields, iniPath());
        EXPECT_EQ(fields.folderOption(), expected) << text;
    }
}

TEST_F(SettingsTest, NewFileHasTheKeysInTheirOrder) {
    std::filesystem::create_directories(dir.path() / "Files");
    fields.setText(Field::defaultOutputFolder, "/out");
    fields.setText(Field::compressionLevel, "9");
    fields.setFolderOption(FolderOption::Title);
    ASSERT_TRUE(saveOptions(fields, iniPath()).ok());
    EXPECT_EQ(readFile(iniPath()),
              "[Options]\r\ndefWarning=\r\ndefIcon0=\r\ndefPic1=\r\ndefUnknown=\r\ndefSnd0=\r\n"
              "defIcon1=\r\ndefIsoFolder=\r\ndefOutputFolder=/out\r\ndefImageFolder=\r\n"
              "Compression=9\r\nfolderOption=2\r\n\r\n");
}

TEST_F(SettingsTest, RoundTripKeepsUnknownKeysAndSectionsAndReadsAnyCase) {
    writeIni(
        "; settings\r\n[OPTIONS]\r\nDEFICON0=C:\\icons\\a.png\r\nfolderoption=$1\r\n"
        "defOutput=not the output key\r\nmine=kept\r\n[Elsewhere]\r\nk=v\r\n");
    loadOptions(fields, iniPath());
    EXPECT_EQ(fields.text(Field::defaultIcon0), "C:\\icons\\a.png");
    EXPECT_EQ(fields.text(Field::defaultOutputFolder), "");
    EXPECT_EQ(fields.folderOption(), FolderOption::DiscId);

    fields.setText(Field::sourceFolder, "/isos");
    ASSERT_TRUE(saveOptions(fields, iniPath()).ok());
    const std::string saved = readFile(iniPath());
    EXPECT_NE(saved.find("mine=kept\r\n"), std::string::npos);
    EXPECT_NE(saved.find("defOutput=not the output key\r\n"), std::string::npos);
    EXPECT_NE(saved.find("[Elsewhere]\r\nk=v\r\n"), std::string::npos);
    EXPECT_EQ(saved.find("; settings"), std::string::npos);

    FieldState reloaded;
    loadOptions(reloaded, iniPath());
    EXPECT_EQ(reloaded.text(Field::sourceFolder), "/isos");
    EXPECT_EQ(reloaded.text(Field::defaultIcon0), "C:\\icons\\a.png");
    EXPECT_EQ(reloaded.folderOption(), FolderOption::DiscId);
}

TEST_F(SettingsTest, UnreadableOptionIsSavedAsZero) {
    writeIni("[Options]\r\nfolderOption=7\r\n");
    loadOptions(fields, iniPath());
    ASSERT_TRUE(saveOptions(fields, iniPath()).ok());
    EXPECT_NE(readFile(iniPath()).find("folderOption=0\r\n"), std::string::npos);
}

TEST_F(SettingsTest, SavingWithoutTheFilesFolderFailsWithTheSystemsReason) {
    const Status saved = saveOptions(fields, iniPath());
    ASSERT_FALSE(saved.ok());
    EXPECT_EQ(saved.error().message, "Cannot create file \"" + iniPath() + "\". No such file or directory");
}

}  // namespace
}  // namespace quillon
