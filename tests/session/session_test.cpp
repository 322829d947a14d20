// A session over the installed layout: shipped files read, the user's own winning, the
// settings saved into the user's folder, made on first use, and read back.
#include "session/session.h"

#include <gtest/gtest.h>

#include "common/file_io.h"
#include "support/recording.h"
#include "support/temp_folder.h"

namespace quillon {
namespace {

using testing::TempFolder;

class InstalledSessionTest : public ::testing::Test {
protected:
    InstalledSessionTest() { shared.write("gameInfo.txt", "SLUS-99004;1;USA;Shipped Title\r\n"); }
    ProgramFolder folder() const {
        return ProgramFolder::installed(shared.folder(), shared.file("popstation"), home.file("data/quillon"),
                                        home.file("config/quillon"));
    }

    TempFolder shared;
    TempFolder home;
    testing::RecordingHost host;
};

TEST_F(InstalledSessionTest, TheUsersGameListWinsOverTheShippedOne) {
    Session shipped(folder(), host);
    shipped.loadGameList();
    EXPECT_EQ(shipped.gameList(), GameList{"SLUS-99004;1;USA;Shipped Title"});

    home.write("data/quillon/Files/gameInfo.txt", "SLUS-99004;1;USA;My Own Title\r\n");
    Session own(folder(), host);
    own.loadGameList();
    EXPECT_EQ(own.gameList(), GameList{"SLUS-99004;1;USA;My Own Title"});
}

TEST_F(InstalledSessionTest, SettingsAreSavedIntoTheUsersFolderAndReadBack) {
    {
        Session session(folder(), host);
        session.loadOptions();
        session.fields().setText(Field::defaultOutputFolder, "/games/psp");
        session.fields().setFolderOption(FolderOption::Title);
        ASSERT_TRUE(session.saveOptions().ok());
    }
    EXPECT_TRUE(isFile(home.file("config/quillon/options.ini")));
    EXPECT_FALSE(std::filesystem::exists(shared.path() / "options.ini"));
    Session later(folder(), host);
    later.loadOptions();
    EXPECT_EQ(later.fields().text(Field::defaultOutputFolder), "/games/psp");
    EXPECT_EQ(later.fields().folderOption(), FolderOption::Title);
}

TEST_F(InstalledSessionTest, AnInspectionThatCannotReadTheSourceRefusesIt) {
    Session session(folder(), host);
    TempFolder discs;
    discs.write("game.bin", std::string(2352, 'x'));
    const std::vector<std::pair<std::string, bool>> sources{
        {discs.write("wave.cue", "FILE game.bin WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"), true},
        {discs.file("game.bin"), false},
        {discs.write("lost.m3u", "lost.bin\n"), true},
        {discs.file("missing.bin"), false},  // no source at all: the conversion says so
    };
    for (const auto& [source, refused] : sources) {
        session.fields().setPath(Field::sourcePath, source);
        EXPECT_EQ(session.sourceRefused(), refused) << source;
    }
}

}  // namespace
}  // namespace quillon
