#include "convert/tool_output.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/temp_folder.h"

namespace quillon {
namespace {

TEST(ToolProgressLineTest, APercentageLineIsThatShareOfTheTotalAndNoOtherLineIsProgress) {
    const struct {
        const char* line;
        std::optional<std::uint64_t> done;
    } cases[] = {
        {"Writing EBOOT.PBP... 0%", 0},
        {"Writing EBOOT.PBP... 40%", 800},
        {"Writing EBOOT.PBP... 100%", 2000},
        {"Writing EBOOT.PBP... 4", std::nullopt},
        {"Writing EBOOT.PBP... %", std::nullopt},
        {"Writing EBOOT.PBP... 1000%", std::nullopt},
        {"Writing EBOOT.PBP... -5%", std::nullopt},
        {"Writing EBOOT.PBP... 5 %", std::nullopt},
        {"writing EBOOT.PBP... 5%", std::nullopt},
        {"Writing EBOOT.PBP...", std::nullopt},
        {"Error: Writing EBOOT.PBP... 5%", std::nullopt},
        {"Done.", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto progress = readProgressLine(c.line, 2000);
        ASSERT_EQ(progress.has_value(), c.done.has_value()) << c.line;
        if (!progress) continue;
        EXPECT_EQ(progress->done, *c.done) << c.line;
        EXPECT_EQ(progress->total, 2000u) << c.line;
    }
}

TEST(ToolOutputTest, ProgressLinesStayOutOfTheMessageTextButCanBeTheLastLine) {
    const struct {
        const char* output;
        const char* messageText;
        const char* lastLine;
    } cases[] = {
        {"Source: a\nWriting EBOOT.PBP... 10%\nWriting EBOOT.PBP... 20%\nError: full\n", "Source: a\r\nError: full\r\n",
         "Error: full"},
        {"Source: a\r\nWriting EBOOT.PBP... 99%\r\n", "Source: a\r\n", "Writing EBOOT.PBP... 99%"},
        {"Writing EBOOT.PBP... 5", "Writing EBOOT.PBP... 5\r\n", "Writing EBOOT.PBP... 5"},
        {"Writing...\nDone.\n", "Writing...\r\nDone.\r\n", "Done."},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        const ToolOutput output = readToolOutput(c.output);
        EXPECT_EQ(output.messageText, c.messageText) << c.output;
        EXPECT_EQ(output.lastLine, c.lastLine) << c.output;
    }
}

TEST(ToolProgressFollowerTest, ReadsOnlyEndedLinesAsTheFileGrows) {
    testing::TempFolder dir;
    const std::string path = dir.file("info.txt");
    ToolProgressFollower follower(path, 1000);
    EXPECT_FALSE(follower.latest());  // no file yet
    const auto append = [&](const std::string& text) { std::ofstream(path, std::ios::app | std::ios::binary) << text; };
    append("Source: a\nWriting EBOOT.PBP... 10%\nWriting EBOOT.PBP... 3");
    ASSERT_TRUE(follower.latest());
    EXPECT_EQ(follower.latest()->done, 100u);
    append("0%\n");
    EXPECT_EQ(follower.latest()->done, 300u);
    append("Error: full\n");
    EXPECT_EQ(follower.latest()->done, 300u);
}

}  // namespace
}  // namespace quillon
