#include "source/playlist.h"

#include <gtest/gtest.h>

#include "common/bytes.h"
#include "source/disc_files.h"
#include "support/temp_folder.h"

namespace quillon {
namespace {

using quillon::testing::isLineError;
using quillon::testing::TempFolder;

class PlaylistTest : public ::testing::Test {
protected:
    PlaylistTest() {
        for (const char* name :
             {"Disc 1.cue", "disc2.bin", "disc3.iso", "d4.img", "d5.bin", "d6.bin", "other.m3u", "game.PBP"}) {
            folder.write(name, std::string("x"));
        }
        folder.write("sub/disc.bin", std::string("x"));
    }
    std::string playlistPath() const { return folder.file("Game.m3u"); }
    Expected<std::vector<std::string>> parse(const std::string& text) const {
        folder.write("Game.m3u", text);
        return readPlaylist(playlistPath());
    }

    TempFolder folder;
};

TEST_F(PlaylistTest, ListsTheDiscsSkippingBlankLinesAndComments) {
    const std::string absolute = folder.file("disc3.iso");
    const auto discs = parse("\xEF\xBB\xBF#EXTM3U\r\nDisc 1.cue\r\n\r\n  # a comment\rdisc2.bin  \n" + absolute);
    ASSERT_TRUE(discs.ok()) << discs.error().message;
    EXPECT_EQ(*discs, (std::vector<std::string>{folder.file("Disc 1.cue"), folder.file("disc2.bin"), absolute}));
}

struct PlaylistError {
    const char* text;
    int line;
    const char* what;
};

class PlaylistErrorTest : public PlaylistTest, public ::testing::WithParamInterface<PlaylistError> {};

TEST_P(PlaylistErrorTest, NamesThePlaylistAndTheLine) {
    const auto discs = parse(GetParam().text);
    ASSERT_FALSE(discs.ok());
    EXPECT_TRUE(isLineError(discs.error().message, "Playlist", playlistPath(), GetParam().line, GetParam().what));
}

INSTANTIATE_TEST_SUITE_P(Playlists, PlaylistErrorTest,
                         ::testing::Values(PlaylistError{"", 1, "the playlist names no disc"},
                                           PlaylistError{"# only\n\n# comments\n", 3, "the playlist names no disc"},
                                           PlaylistError{
                                               "Disc 1.cue\ndisc2.bin\ndisc3.iso\nd4.img\nd5.bin\n#\nd6.bin\n", 7,
                                               "a game holds at most five discs"},
                                           PlaylistError{"disc2.bin\nother.m3u\n", 2, "is a playlist, not a disc"},
                                           PlaylistError{"game.PBP\n", 1, "is a PBP container, not a disc image"},
                                           PlaylistError{"disc2.bin\r\nmissing.bin\r\n", 2, "missing.bin\" is missing"},
                                           PlaylistError{"disc2.bin\nsub\n", 2, "sub\". It is a folder, not a file."}));

}  // namespace
}  // namespace quillon
