#include "tools/popstation/tool_arguments.h"

#include <gtest/gtest.h>

#include "common/digest.h"

namespace quillon::popstation {
namespace {

using Args = std::vector<std::string>;

TEST(ToolArgumentsTest, EachFormOfTheCallGivesItsRequest) {
    const struct {
        const char* what;
        Args args;
        std::string title;
        std::optional<std::string> discId;
        int level;
        Args sources;
        std::optional<std::string> base, startScreen;
    } cases[] = {
        {"the source alone", {"/g/a.bin"}, "", std::nullopt, 0, {"/g/a.bin"}, std::nullopt, std::nullopt},
        {"a placeholder title and ID with a level",
         {"", "SLPM86023", "9", "/g/a.bin"},
         "",
         "SLPM86023",
         9,
         {"/g/a.bin"},
         std::nullopt,
         std::nullopt},
        {"an empty level",
         {"T", "SLUS01234", "", "/g/a.bin"},
         "T",
         "SLUS01234",
         0,
         {"/g/a.bin"},
         std::nullopt,
         std::nullopt},
        {"the strongest compression",
         {"--max-compression", "/g/a.bin"},
         "",
         std::nullopt,
         kStrongestDeflateLevel,
         {"/g/a.bin"},
         std::nullopt,
         std::nullopt},
        {"the strongest compression with an empty level",
         {"--max-compression", "", "X", "", "/g/a.bin"},
         "",
         "X",
         kStrongestDeflateLevel,
         {"/g/a.bin"},
         std::nullopt,
         std::nullopt},
        {"a sample container elsewhere",
         {"--base", "/share/base.pbp", "", "SLPM86023", "5", "/g/a.bin"},
         "",
         "SLPM86023",
         5,
         {"/g/a.bin"},
         "/share/base.pbp",
         std::nullopt},
        {"a start-screen picture",
         {"--start-screen", "/p/s.png", "/g/a.bin"},
         "",
         std::nullopt,
         0,
         {"/g/a.bin"},
         std::nullopt,
         "/p/s.png"},
        {"an option's name alone is a source", {"--base"}, "", std::nullopt, 0, {"--base"}, std::nullopt, std::nullopt},
        {"several discs",
         {"/g/1.bin", "/g/2.bin", "/g/3.bin"},
         "",
         std::nullopt,
         0,
         {"/g/1.bin", "/g/2.bin", "/g/3.bin"},
         std::nullopt,
         std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto request = parseToolArguments(c.args);
        ASSERT_TRUE(request.ok()) << request.error().message;
        EXPECT_EQ(request->title, c.title);
        EXPECT_EQ(request->discId, c.discId);
        EXPECT_EQ(request->level, c.level);
        EXPECT_EQ(request->sources, c.sources);
        EXPECT_EQ(request->basePath, c.base);
        EXPECT_EQ(request->startScreenPath, c.startScreen);
    }
}

TEST(ToolArgumentsTest, AWrongCallIsAUsageErrorThatSaysWhy) {
    const struct {
        Args args;
        std::string message;
    } cases[] = {
        {{}, "No source file given."},
        {{"--max-compression", ""}, "No source file given."},
        {{""}, "No source file given."},
        {{"T", "ID", "10", "/g/a.bin"}, "Invalid compression level \"10\": give nothing or one digit from 0 to 9."},
        {{"T", "ID", "a", "/g/a.bin"}, "Invalid compression level \"a\": give nothing or one digit from 0 to 9."},
        {{"--max-compression", "T", "ID", "5", "/g/a.bin"},
         "Compression level \"5\" given with --max-compression: give an empty level with it."},
        {{"/g/1.bin", "/g/2.bin", "/g/3.bin", "/g/4.bin", "/g/5.bin", "/g/6.bin"},
         "6 sources given: a container holds at most five discs."},
    };
    for (const auto& c : cases) {
        const auto request = parseToolArguments(c.args);
        ASSERT_FALSE(request.ok()) << c.message;
        EXPECT_EQ(request.error().message, c.message);
    }
}

}  // namespace
}  // namespace quillon::popstation
