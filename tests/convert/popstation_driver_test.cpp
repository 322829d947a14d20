#include "convert/popstation_driver.h"

#include <gtest/gtest.h>

#include "common/file_io.h"
#include "common/file_system.h"
#include "convert/popstation_stage.h"
#include "source/image_index.h"
#include "source/multi_disc.h"
#include "source/pbp.h"
#include "support/temp_folder.h"

namespace quillon {
namespace {

using testing::PopstationStage;
using testing::readFile;

// A tool that "runs" for a number of polls after it was started and writes its output
// file at the start, as the redirection of a real one would.
struct FakeTool : ToolProcess {
    bool start(const std::string& p, const std::vector<std::string>& a, const std::string& folder,
               const std::string& outputFile) override {
        ++starts;
        program = p;
        arguments = a;
        workingFolder = folder;
        outputPath = outputFile;
        if (!startSucceeds) return false;
        std::ofstream(outputFile, std::ios::binary) << output;
        return true;
    }
    bool waitForEnd(int milliseconds) override {
        waitTimes.push_back(milliseconds);
        if (interrupts > 0 && pollsAfterInterrupt-- <= 0) return true;
        return static_cast<int>(waitTimes.size()) >= pollsToEnd;
    }
    void interrupt() override { ++interrupts; }
    ToolEnd end() const override { return ending; }

    bool startSucceeds = true;
    int pollsToEnd = 3;
    int pollsAfterInterrupt = 2;
    std::string output;
    ToolEnd ending;

    int starts = 0;
    int interrupts = 0;
    std::string program, workingFolder, outputPath;
    std::vector<std::string> arguments;
    std::vector<int> waitTimes;
};

class PopstationDriverTest : public ::testing::Test, protected PopstationStage {
protected:
    void installTool() { PopstationStage::installTool(""); }
    StageOutcome run() { return PopstationStage::run(tool); }

    FakeTool tool;
};

// A job for the source `path` at the compression level `level` as typed, or at `compression`.
ToolJob jobFor(const std::string& level, const std::string& path,
               ToolCompression compression = ToolCompression::Setting) {
    ToolJob job;
    job.compressionLevel = level;
    job.source = path;
    job.compression = compression;
    return job;
}

TEST(PopstationArgumentsTest, LevelDecidesBetweenPathAloneAndPlaceholdersFirst) {
    EXPECT_EQ(popstationArguments(jobFor("", "D:\\Games\\game1.bin")),
              (std::vector<std::string>{"D:\\Games\\game1.bin"}));
    EXPECT_EQ(popstationArguments(jobFor("9", "D:\\Games\\game1.bin")),
              (std::vector<std::string>{"", "SLPM86023", "9", "D:\\Games\\game1.bin"}));
    // The level is passed as typed; the tool judges it.
    EXPECT_EQ(popstationArguments(jobFor("x", "a.bin"))[2], "x");
}

TEST(PopstationArgumentsTest, StrongestCompressionIsAnOptionOfItsOwnInPlaceOfTheLevel) {
    for (const std::string level : {"", "5"}) {
        EXPECT_EQ(popstationArguments(jobFor(level, "/g/a.bin", ToolCompression::Strongest)),
                  (std::vector<std::string>{"--max-compression", "/g/a.bin"}));
    }
    ToolJob installed = jobFor("", "/g/a.bin", ToolCompression::Strongest);
    installed.baseContainer = "/usr/share/quillon/base.pbp";
    EXPECT_EQ(popstationArguments(installed),
              (std::vector<std::string>{"--base", "/usr/share/quillon/base.pbp", "--max-compression", "/g/a.bin"}));
}

TEST(PopstationArgumentsTest, PathsPassUnchangedWhateverTheyHold) {
    for (const std::string path : {"/my games/a b.bin", "/g/\"quoted\" name.iso", "/g/R&D & more.img",
                                   "/g/100% %PATH% done.bin", "C:\\Program Files\\x&y\\\"%1\".bin"}) {
        EXPECT_EQ(popstationArguments(jobFor("", path)).back(), path);
        EXPECT_EQ(popstationArguments(jobFor("5", path)).back(), path);
        EXPECT_EQ(popstationArguments(jobFor("", path, ToolCompression::Strongest)).back(), path);
    }
}

TEST(OwnToolTest, TheProgramFileHoldingTheHelpLineOfTheStrongestLevelIsTheProjectsOwn) {
    testing::TempFolder dir;
    const std::string mark = kStrongestOptionHelp;
    const std::size_t piece = std::size_t{1} << 20;  // as the file is read
    const struct {
        const char* what;
        std::string content;
        bool own;
    } cases[] = {
        {"the mark at the start", mark + std::string(100, '\0'), true},
        {"the mark across the edge of two pieces", std::string(piece - 10, 'x') + mark, true},
        {"the mark at the end of the second piece", std::string(2 * piece - mark.size() - 20, 'x') + mark, true},
        {"no mark", std::string(piece + 5, 'x') + "--max-compression", false},
        {"the mark cut short", std::string(piece - 10, 'x') + mark.substr(0, mark.size() - 1), false},
        {"an empty file", "", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isOwnTool(dir.write("tool", c.content)), c.own) << c.what;
    }
    EXPECT_FALSE(isOwnTool(dir.file("missing")));
    EXPECT_FALSE(isOwnTool(dir.folder()));
}

TEST_F(PopstationDriverTest, MissingToolShowsError1WithoutStarting) {
    EXPECT_EQ(run(), StageOutcome::EndWithSummary);
    EXPECT_EQ(tool.starts, 0);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Error");
    EXPECT_EQ(host.messages[0].text, errorMessage(ErrorCode::ToolMissing));
    EXPECT_TRUE(busy.errorShown());
    EXPECT_EQ(host.status(), "");
}

TEST_F(PopstationDriverTest, ToolThatDoesNotStartShowsError2) {
    installTool();
    tool.startSucceeds = false;
    EXPECT_EQ(run(), StageOutcome::EndWithSummary);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "An unknown error occurred.");
    EXPECT_EQ(host.status(), "");
    EXPECT_FALSE(isFile(filesPath("info.txt")));
}

TEST_F(PopstationDriverTest, DoneAsLastLineProceedsAndTheOutputFileIsDeleted) {
    installTool();
    job.compressionLevel = "9";
    program.write("Files/EBOOT.PBP", "container");
    tool.output = "Source: x\r\nWriting...\nDone.\n";
    EXPECT_EQ(run(), StageOutcome::Proceed);

    EXPECT_EQ(tool.program, filesPath(kPopstationFileName));
    EXPECT_EQ(tool.arguments, popstationArguments(jobFor("9", job.source)));
    EXPECT_EQ(tool.workingFolder, job.workFolder);
    EXPECT_EQ(tool.outputPath, filesPath("info.txt"));
    EXPECT_EQ(host.statuses, (std::vector<std::string>{"Converting file to PBP... (This may take some minutes)"}));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.pumps, 3);
    EXPECT_EQ(tool.waitTimes, (std::vector<int>{10, 10, 10}));
    EXPECT_EQ(tool.interrupts, 0);
    EXPECT_FALSE(isFile(filesPath("info.txt")));
    EXPECT_TRUE(isFile(filesPath("EBOOT.PBP")));
}

TEST_F(PopstationDriverTest, TheSharesTheToolReportsArePassedOnAgainstTheSourcesSize) {
    installTool();
    job.source = program.write("game.bin", std::string(1000, 'x'));
    tool.output = "Writing EBOOT.PBP... 10%\nWriting EBOOT.PBP... 40%\nWriting EBOOT.PBP... 4";
    EXPECT_EQ(run(), StageOutcome::EndWithSummary);  // the last line is no "Done."
    ASSERT_FALSE(host.amounts.empty());
    EXPECT_EQ(host.amounts.front(), (std::pair<std::uint64_t, std::uint64_t>{400, 1000}));
}

TEST_F(PopstationDriverTest, ASourceWhoseDiscsCannotBeReadIsRefusedWithoutTheTool) {
    installTool();
    program.write("game.bin", std::string(1000, 'x'));
    const std::string wave = program.write("wave.cue", "FILE \"game.bin\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
    const std::string playlist = program.write("game.m3u", "game.bin\nwave.cue\n");
    const std::string refusal = "Cue sheet \"" + wave + "\", line 1: FILE type WAVE is not supported";
    for (const std::string& source : {wave, playlist}) {
        host.messages.clear();
        job.source = source;
        EXPECT_EQ(run(), StageOutcome::EndWithoutSummary);
        EXPECT_EQ(tool.starts, 0);
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].caption, "Quillon");
        EXPECT_EQ(host.messages[0].text.rfind(refusal, 0), 0u) << host.messages[0].text;
    }
}

TEST_F(PopstationDriverTest, AWorkplaceWithoutRoomForTheToolsContainerIsNamedBeforeTheTool) {
    installTool();
    tool.output = "Done.\n";
    const std::uint64_t most =
        kDataPsarBoundaries.back() + kStartDatWindow + kDiscAlignment + kImageDataOffset + mostStoredBytes(1000);
    for (const std::uint64_t free : {most - 1, most}) {
        host.messages.clear();
        quillon::testing::pretendFreeSpace(free);
        const StageOutcome outcome = run();
        quillon::testing::pretendFreeSpace(std::nullopt);
        if (free == most) {
            EXPECT_EQ(outcome, StageOutcome::Proceed);
            continue;
        }
        EXPECT_EQ(outcome, StageOutcome::EndWithoutSummary);
        EXPECT_EQ(tool.starts, 0);
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text.rfind("Not enough free space to write \"" + filesPath("EBOOT.PBP") +
                                                  "\": it needs " + std::to_string(most) + " bytes",
                                              0),
                  0u)
            << host.messages[0].text;
    }
}

TEST_F(PopstationDriverTest, APartialContainerThatAKilledToolLeftIsRemovedWhenItHasEnded) {
    installTool();
    tool.output = "Writing EBOOT.PBP... 10%\n";
    tool.ending = {true, 9};
    const std::string left = program.write("Files/.EBOOT.PBP.999999999-0.part", "partial");
    EXPECT_EQ(run(), StageOutcome::EndWithSummary);
    EXPECT_FALSE(isFile(left));
}

TEST_F(PopstationDriverTest, LineEndsAreCrLfOrCrOrLfAndAFinalLineEndStartsNoLine) {
    installTool();
    for (const std::string output : {"a\rb\r\nDone.", "Done.\r", "x\n\nDone.\r\n"}) {
        tool.output = output;
        tool.waitTimes.clear();
        EXPECT_EQ(run(), StageOutcome::Proceed) << output;
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(PopstationDriverTest, AnyOtherLastLineShowsTheWholeOutput) {
    installTool();
    program.write("Files/EBOOT.PBP", "left by the tool");
    const std::pair<std::string, std::string> cases[] = {
        {"Working\rError: bad\n", "Working\r\nError: bad\r\n"},
        {"Done.\n\n", "Done.\r\n\r\n"},  // an empty line after "Done." is the last line
        {"done.\n", "done.\r\n"},
        {"Done. \n", "Done. \r\n"},
        {"Done.\nmore", "Done.\r\nmore\r\n"},
        {"", "The popstation tool ended with exit code 0 and wrote nothing."},
    };
    for (const auto& [output, shown] : cases) {
        tool.output = output;
        tool.waitTimes.clear();
        host.messages.clear();
        EXPECT_EQ(run(), StageOutcome::EndWithSummary) << output;
        ASSERT_EQ(host.messages.size(), 1u) << output;
        EXPECT_EQ(host.messages[0].caption, "Error from popstation.exe");
        EXPECT_EQ(host.messages[0].text, shown);
        EXPECT_FALSE(isFile(filesPath("info.txt")));
    }
    EXPECT_FALSE(busy.errorShown());
    EXPECT_EQ(readFile(filesPath("EBOOT.PBP")), "left by the tool");
}

TEST_F(PopstationDriverTest, TheToolsProgressLinesAreNotPartOfItsErrorMessage) {
    installTool();
    job.source = program.write("game.bin", std::string(1000, 'x'));
    tool.output = "Source: game.bin\nWriting EBOOT.PBP... 10%\nWriting EBOOT.PBP... 20%\nError: disk full\n";
    EXPECT_EQ(run(), StageOutcome::EndWithSummary);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Error from popstation.exe");
    EXPECT_EQ(host.messages[0].text, "Source: game.bin\r\nError: disk full\r\n");
    ASSERT_FALSE(host.amounts.empty());
    EXPECT_EQ(host.amounts.back(), (std::pair<std::uint64_t, std::uint64_t>{200, 1000}));
}

TEST_F(PopstationDriverTest, AToolThatASignalEndedSaysSoNeverWithAnEmptyMessage) {
    installTool();
#ifdef _WIN32
    const std::string how = "abnormally (code 0x0000000B)";
#else
    const std::string how = "by the signal SIGSEGV (11)";
#endif
    const std::pair<std::string, std::string> cases[] = {
        {"", "The popstation tool ended " + how + " and wrote nothing."},
        {"Writing...\n", "Writing...\r\nThe popstation tool ended " + how + "."},
    };
    tool.ending = {true, 11};
    for (const auto& [output, shown] : cases) {
        tool.output = output;
        tool.waitTimes.clear();
        host.messages.clear();
        EXPECT_EQ(run(), StageOutcome::EndWithSummary);
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].caption, "Error from popstation.exe");
        EXPECT_EQ(host.messages[0].text, shown);
    }
}

TEST_F(PopstationDriverTest, AbortInterruptsOnceWaitsForTheEndAndRemovesTheContainer) {
    installTool();
    program.write("Files/EBOOT.PBP", "partial");
    tool.pollsToEnd = 1000;
    tool.output = "Writing...\nDone.\n";
    host.onPump = [this](int pumps) {
        if (pumps == 2) busy.requestAbort();
    };
    EXPECT_EQ(run(), StageOutcome::EndWithoutSummary);
    EXPECT_EQ(tool.interrupts, 1);
    EXPECT_EQ(host.pumps, 4);  // the tool ends on the third poll from the interrupt on
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(busy.abortRequested());  // the command ends the busy state
    EXPECT_FALSE(isFile(filesPath("EBOOT.PBP")));
    EXPECT_FALSE(isFile(filesPath("info.txt")));
}

}  // namespace
}  // namespace quillon
