#include "source/game_list.h"

#include <gtest/gtest.h>

#include "common/bytes.h"
#include "support/temp_folder.h"

namespace quillon {
namespace {

GameList parse(std::string_view text) { return parseGameList(asBytes(text)); }

TEST(GameListTest, CarriageReturnsEndLinesAndTrailingTextIsDropped) {
    const GameList list = parse("A;B;Europe;Some Game [Disc 1]\r\nX");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(regionWordOf(list[0]), "Europe");
    EXPECT_EQ(titleOf(list[0]), "Some Game [Disc 1]");
    EXPECT_EQ(saveTitleOf(titleOf(list[0])), "Some Game");

    EXPECT_TRUE(parse("one\ntwo\n").empty());
    EXPECT_EQ(parse("a\r\rb\r"), (GameList{"a", "", "b"}));
    EXPECT_EQ(parse("a\n\rb\n\r"), (GameList{"a", "b"}));
}

TEST(GameListTest, FieldsOfAnEntry) {
    EXPECT_EQ(regionWordOf("K;Title"), "");
    EXPECT_EQ(titleOf("K;Title"), "Title");
    EXPECT_EQ(regionWordOf("No separators"), "");
    EXPECT_EQ(titleOf("No separators"), "No separators");
    EXPECT_EQ(regionWordOf("K;X;Y"), "Y");
    EXPECT_EQ(titleOf("K;X;Y"), "Y");
    EXPECT_EQ(regionWordOf("K;X;;T"), "");
    EXPECT_EQ(saveTitleOf("[Disc 1]"), "");
    EXPECT_EQ(saveTitleOf("Game  "), "Game  ");
    EXPECT_EQ(saveTitleOf("Game   [x] [y]"), "Game");
}

TEST(GameListTest, FirstLineContainingTheKeyWins) {
    const GameList list{"SLES-00001;x;Europe;One", "SLUS-012345;x;USA;Two", "SLUS-01234;x;USA;Three"};
    EXPECT_EQ(findGameEntry(list, "SLUS-01234"), 1u);
    EXPECT_EQ(findGameEntry(list, "slus-01234"), std::nullopt);
    EXPECT_EQ(findGameEntry({}, "SLUS-01234"), std::nullopt);
}

TEST(GameListTest, LoadsAReadOnlyFileAndAMissingOneAsEmpty) {
    testing::TempFolder dir;
    const std::string path = dir.write("Files/gameInfo.txt", "a\r\nb\r\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    EXPECT_EQ(loadGameList(path), (GameList{"a", "b"}));
    EXPECT_TRUE(loadGameList(dir.file("none.txt")).empty());
}

}  // namespace
}  // namespace quillon
