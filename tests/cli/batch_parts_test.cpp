// The parts of a batch that need no conversion: which files of a folder are games, when
// a container is up to date, how many jobs run by default, and the lines and table that
// report a run.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include "cli/batch_convert.h"
#include "cli/batch_extract.h"
#include "cli/batch_games.h"
#include "cli/batch_run.h"
#include "support/temp_folder.h"

namespace quillon {
namespace {

using testing::TempFolder;

std::vector<std::string> sourcesOf(const std::vector<FoundGame>& games, const TempFolder& dir) {
    std::vector<std::string> names;
    for (const FoundGame& game : games) {
        names.push_back(std::filesystem::relative(game.source, dir.path()).generic_string());
    }
    return names;
}

TEST(BatchGamesTest, AFolderHoldsTheGamesAUserWouldCount) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files;
        std::vector<std::string> games;
    };
    const std::string cue =
        "FILE \"t1.bin\" BINARY\n TRACK 01 MODE2/2352\n  INDEX 01 00:00:00\n"
        "FILE \"t2.bin\" BINARY\n TRACK 02 AUDIO\n  INDEX 01 00:00:00\n";
    const std::vector<Case> cases{
        {"lone images and a container",
         {{"lib/a.bin", "x"},
          {"lib/b.ISO", "x"},
          {"lib/c.img", "x"},
          {"lib/d.chd", "x"},
          {"lib/e.pbp", "x"},
          {"lib/notes.txt", "x"}},
         {"lib/a.bin", "lib/b.ISO", "lib/c.img", "lib/d.chd", "lib/e.pbp"}},
        {"a cue sheet takes its files",
         {{"lib/g/t1.bin", "x"}, {"lib/g/t2.bin", "x"}, {"lib/g/game.cue", cue}, {"lib/g/other.bin", "x"}},
         {"lib/g/game.cue", "lib/g/other.bin"}},
        {"a playlist takes its discs and their files",
         {{"lib/m/t1.bin", "x"},
          {"lib/m/t2.bin", "x"},
          {"lib/m/one.cue", cue},
          {"lib/m/two.iso", "x"},
          {"lib/m/Game.m3u", "one.cue\ntwo.iso\n"}},
         {"lib/m/Game.m3u"}},
        {"an unreadable sheet takes the files named like it",
         {{"lib/b/Broken.cue", "TRACK 01 NONSENSE\n"}, {"lib/b/Broken (Track 1).bin", "x"}, {"lib/b/Else.bin", "x"}},
         {"lib/b/Broken.cue", "lib/b/Else.bin"}},
        {"the output folder is never searched",
         {{"lib/a.bin", "x"}, {"lib/out/G/EBOOT.PBP", "x"}, {"lib/deep/z.bin", "x"}},
         {"lib/a.bin", "lib/deep/z.bin"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder dir;
        for (const auto& [name, content] : c.files) dir.write(name, content);
        const auto games = findGames({dir.file("lib")}, dir.file("lib/out"), GameKinds::Sources);
        EXPECT_EQ(sourcesOf(games, dir), c.games);
    }
}

TEST(BatchGamesTest, FilesNamedOnTheCommandLineAreGamesAsNamedAndComeOnce) {
    TempFolder dir;
    const std::string a = dir.write("lib/a.bin", "x");
    dir.write("lib/b.pbp", "x");
    const auto games = findGames({a, dir.file("lib"), dir.file("gone.iso")}, "", GameKinds::Sources);
    EXPECT_EQ(sourcesOf(games, dir), (std::vector<std::string>{"lib/a.bin", "lib/b.pbp", "gone.iso"}));
    EXPECT_FALSE(games[0].missing);
    EXPECT_TRUE(games[2].missing);
    EXPECT_EQ(sourcesOf(findGames({dir.file("lib")}, "", GameKinds::Containers), dir),
              std::vector<std::string>{"lib/b.pbp"});
}

TEST(BatchGamesTest, AGameIsReadFromItsSheetAndItsFiles) {
    TempFolder dir;
    dir.write("t1.bin", "x");
    dir.write("t2.bin", "x");
    const std::string sheet = dir.write("game.cue",
                                        "FILE \"t1.bin\" BINARY\n TRACK 01 MODE2/2352\n  INDEX 01 00:00:00\n"
                                        "FILE \"t2.bin\" BINARY\n TRACK 02 AUDIO\n  INDEX 01 00:00:00\n");
    const auto files = filesOfSource(sheet);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0], sheet);
    EXPECT_EQ(std::filesystem::path(files[2]).filename(), "t2.bin");
}

TEST(BatchConvertTest, AContainerIsUpToDateUnlessOlderThanItsNewestSourceByMoreThanTwoSeconds) {
    struct Case {
        std::int64_t container, source;
        bool upToDate;
    };
    for (const Case& c :
         {Case{100, 100, true}, Case{101, 100, true}, Case{98, 100, true}, Case{97, 100, false}, Case{0, 100, false}}) {
        EXPECT_EQ(upToDate(c.container, c.source), c.upToDate) << c.container << " " << c.source;
    }
}

TEST(BatchConvertTest, DefaultJobsLeaveDeflatingToTheToolsOwnThreads) {
    struct Case {
        std::string level;
        ToolCompression compression;
        unsigned cores, jobs;
    };
    const Case cases[] = {
        {"0", ToolCompression::Setting, 8, 8},   {"0", ToolCompression::Setting, 1, 1},
        {"9", ToolCompression::Setting, 8, 4},   {"1", ToolCompression::Setting, 2, 1},
        {"9", ToolCompression::Setting, 1, 1},   {"", ToolCompression::Setting, 4, 2},
        {"0", ToolCompression::Strongest, 4, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(defaultJobs(c.level, c.compression, c.cores), c.jobs) << c.level << " " << c.cores;
    }
}

TEST(BatchExtractTest, ImagesAreNamedAfterTheTitleMadeSafeElseAfterTheContainer) {
    struct Case {
        std::string title, name;
    };
    const Case cases[] = {{"Game: Part 2?", "Game  Part 2 "}, {"Dr. No...", "Dr. No"}, {"", "EBOOT"}, {"  ", "EBOOT"}};
    for (const Case& c : cases) EXPECT_EQ(imageBaseName(c.title, "/psp/GAME/EBOOT.PBP"), c.name) << c.title;
}

TEST(BatchRunTest, AnItemsLineSaysHowItEndedAndWhy) {
    const BatchWords words{"converted", "games"};
    struct Case {
        ItemResult result;
        std::string line;
    };
    ItemResult failed = endedAs(ItemOutcome::Failed, "Cannot open file");
    failed.lines = {"first\nsecond"};
    const Case cases[] = {
        {endedAs(ItemOutcome::Done, "out/EBOOT.PBP"), "converted a.bin -> out/EBOOT.PBP\n"},
        {endedAs(ItemOutcome::Skipped, "up to date"), "skipped   a.bin: up to date\n"},
        {failed, "failed    a.bin: Cannot open file\n    first\n    second\n"},
        {endedAs(ItemOutcome::Stopped), "stopped   a.bin\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(itemLine(words, "a.bin", c.result), c.line);
}

TEST(BatchRunTest, TheClosingTableCountsSizesAndTimes) {
    BatchTotals totals;
    totals.done = 3;
    totals.skipped = 2;
    totals.failed = 1;
    totals.bytesIn = 3u << 30;
    totals.bytesOut = 5u << 20;
    totals.seconds = 75;
    EXPECT_EQ(closingTable({"converted", "games"}, totals),
              "converted: 3\nskipped:   2\nfailed:    1\nstopped:   0\nread:      3.0 GiB\nwritten:   5.0 MiB\n"
              "time:      1:15\n");
}

TEST(BatchRunTest, ExitStatusIsOneForAFailureAndTheSignalsForAStop) {
    BatchTotals totals;
    EXPECT_EQ(batchStatus(totals), 0);
    totals.skipped = 4;
    EXPECT_EQ(batchStatus(totals), 0);
    totals.failed = 1;
    EXPECT_EQ(batchStatus(totals), 1);
    CliHost host;  // takes the signals
    std::raise(SIGTERM);
    totals.stopped = 1;
    EXPECT_EQ(batchStatus(totals), 143);
}

TEST(BatchRunTest, AJobsProgressCountsItsStagesInTurn) {
    std::atomic<std::uint64_t> done{0};
    JobHost host(&done, 1000, 2);
    host.showProgress({"", 50, 100});
    EXPECT_EQ(done.load(), 250u);
    host.showProgress({"", 100, 100});
    EXPECT_EQ(done.load(), 500u);
    host.showProgress({"", 10, 40});  // the second stage
    EXPECT_EQ(done.load(), 625u);
    host.showProgress({"", 0, 0});  // no amount: nothing changes
    EXPECT_EQ(done.load(), 625u);
}

}  // namespace
}  // namespace quillon
