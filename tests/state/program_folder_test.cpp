#include "state/program_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <pwd.h>
#include <unistd.h>

#include "common/file_io.h"
#include "support/temp_folder.h"

namespace quillon {
namespace {

using testing::TempFolder;

// An installation under a temporary prefix: bin/, the shipped share/quillon/, and the
// user's XDG folders.
class LayoutTest : public ::testing::Test {
protected:
    LayoutTest() {
        std::filesystem::create_directories(prefix.path() / "bin");
        prefix.write("share/quillon/gameInfo.txt", "shipped\r\n");
        ::setenv("XDG_DATA_HOME", home.file("data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", home.file("config").c_str(), 1);
    }
    ~LayoutTest() override {
        ::unsetenv("XDG_DATA_HOME");
        ::unsetenv("XDG_CONFIG_HOME");
    }
    std::string bin() const { return prefix.file("bin"); }
    std::string sep(const std::string& path) const { return path + kPathSeparator; }

    TempFolder prefix;
    TempFolder home;
};

TEST_F(LayoutTest, AnExecutableBesideAWritableFilesFolderIsPortable) {
    std::filesystem::create_directories(prefix.path() / "bin" / "Files");
    const ProgramFolder folder = *ProgramFolder::forExecutable(bin(), home.folder());
    EXPECT_TRUE(folder.portable());
    EXPECT_EQ(folder.root(), sep(bin()));
    EXPECT_EQ(folder.gameListFile(), sep(bin()) + "Files" + kPathSeparator + "gameInfo.txt");
    EXPECT_EQ(folder.optionsFile(), sep(bin()) + "Files" + kPathSeparator + "options.ini");
    EXPECT_EQ(folder.popstationTool(), sep(bin()) + "Files" + kPathSeparator + "popstation");
}

TEST_F(LayoutTest, AReadOnlyFilesFolderMakesNoPortableProgram) {
    std::filesystem::create_directories(prefix.path() / "bin" / "Files");
    std::filesystem::permissions(prefix.path() / "bin" / "Files",
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (::geteuid() == 0) GTEST_SKIP() << "root may write every folder";
    EXPECT_FALSE(ProgramFolder::forExecutable(bin(), home.folder())->portable());
}

TEST_F(LayoutTest, AnInstalledProgramReadsTheShippedFilesUntilTheUserHasTheirOwn) {
    const ProgramFolder folder = *ProgramFolder::forExecutable(bin(), home.folder());
    EXPECT_FALSE(folder.portable());
    const std::string data = home.file("data/quillon");
    EXPECT_EQ(folder.root(), sep(data));
    EXPECT_EQ(folder.gameListFile(), prefix.file("share/quillon/gameInfo.txt"));
    EXPECT_EQ(folder.baseContainer(), prefix.file("share/quillon/base.pbp"));
    EXPECT_EQ(folder.optionsFile(), home.file("config/quillon/options.ini"));
    EXPECT_EQ(folder.popstationTool(), prefix.file("libexec/quillon/popstation"));
    EXPECT_EQ(folder.picsFolder(), sep(data + kPathSeparator + "Pics"));

    home.write("data/quillon/Files/gameInfo.txt", "mine\r\n");
    EXPECT_EQ(folder.gameListFile(), home.file("data/quillon/Files/gameInfo.txt"));
    EXPECT_EQ(folder.keysFile(), home.file("data/quillon/Files/KEYS.BIN"));
}

TEST_F(LayoutTest, WithoutAFilesFolderTheProgramIsInstalledAndHomeGivesTheUsersFolders) {
    ::unsetenv("XDG_DATA_HOME");
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1);  // not absolute: not taken
    const auto folder = ProgramFolder::forExecutable(bin(), home.folder());
    ASSERT_TRUE(folder.ok());
    EXPECT_FALSE(folder->portable());
    EXPECT_EQ(folder->root(), sep(home.file(".local/share/quillon")));
    EXPECT_EQ(folder->optionsFile(), home.file(".config/quillon/options.ini"));
}

TEST_F(LayoutTest, WithoutHomeTheUserDatabaseGivesItAndWithoutEitherThereAreNoUsersFolders) {
    const char* set = std::getenv("HOME");
    const std::string oldHome = set ? set : "";
    for (const char* value : {static_cast<const char*>(nullptr), "", "relative"}) {
        if (value) {
            ::setenv("HOME", value, 1);
        } else {
            ::unsetenv("HOME");
        }
        const passwd* user = ::getpwuid(::getuid());
        ASSERT_NE(user, nullptr);
        EXPECT_EQ(userHomeFolder(), std::optional<std::string>(user->pw_dir)) << (value ? value : "unset");
    }
    if (set) ::setenv("HOME", oldHome.c_str(), 1);

    // The XDG variables still name the folders.
    EXPECT_EQ(ProgramFolder::forExecutable(bin(), std::nullopt)->root(), sep(home.file("data/quillon")));
    ::unsetenv("XDG_CONFIG_HOME");
    const auto none = ProgramFolder::forExecutable(bin(), std::nullopt);
    ASSERT_FALSE(none.ok());
    EXPECT_EQ(none.error().message,
              "There is no folder for your own files and settings: HOME is not set, and the "
              "user database gives no home folder. Set HOME to your home folder.");
    EXPECT_TRUE(std::filesystem::is_empty(home.path())) << "nothing was made";
}

}  // namespace
}  // namespace quillon
