// Runs the built quillon-cli convert on generated containers in a temporary program
// folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/file_io.h"
#include "source/param_sfo.h"
#include "support/cli_run.h"
#include "support/pbp_builder.h"
#include "support/temp_folder.h"

namespace quillon::testing {
namespace {

class ConvertVerbTest : public ::testing::Test {
protected:
    ConvertVerbTest() { std::filesystem::create_directories(dir.path() / "Files"); }

    // quillon-cli --program-folder DIR convert SOURCE --output DIR/out, the titles and
    // the save ID, then `more`.
    CliRun convert(const std::string& source, const std::vector<std::string>& more = {}) const {
        std::vector<std::string> args{"convert",     source,      "--output",     dir.file("out"),
                                      "--title",     "New title", "--save-title", "Saved",
                                      "--id-prefix", "SLUS",      "--id-number",  "01234"};
        args.insert(args.end(), more.begin(), more.end());
        return runCli(dir, args);
    }
    std::string source() const { return dir.write("game.pbp", buildContainer({})); }

    TempFolder dir;
};

TEST_F(ConvertVerbTest, ConvertsAPbpIntoThePerGameFolder) {
    dir.write("Files/options.ini", std::string("[Options]\nfolderOption=2\n"));
    std::filesystem::create_directories(dir.path() / "out");
    const CliRun run = convert(source());

    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Done.\n");
    EXPECT_EQ(run.err, "");  // no progress line when stderr is no terminal
    const std::string output = dir.file("out/New title/EBOOT.PBP");
    ASSERT_TRUE(isFile(output));
    const ParamFields param = readParamFields(asBytes(readFile(output)), kPbpHeaderSize);
    EXPECT_EQ(param.title, "New title");
    EXPECT_EQ(param.discId, "SLUS01234");
}

TEST_F(ConvertVerbTest, MessagesGoToStderrTheStatusToStdoutAndTheExitStatusIsOne) {
    const std::string tooBig = dir.write("snd0.at3", std::string(2621440, 'x'));
    const CliRun run = convert(source(), {"--pal-fix", "--snd0", tooBig});

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Done. Did not find any code in iso to patch.\n");
    EXPECT_EQ(run.err, "The file size of ICON0.PNG + PIC1.PNG + PIC0.PNG + SND0.AT3 + ICON1.PMF is too big.\n");
    EXPECT_FALSE(isFile(dir.file("out/EBOOT.PBP")));
}

TEST_F(ConvertVerbTest, SourceThatIsTheOutputIsRefused) {
    std::filesystem::create_directories(dir.path() / "out");
    const Bytes container = buildContainer({});
    const std::string existing = dir.write("out/EBOOT.PBP", container);
    const CliRun run = convert(existing);

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Done.\n");
    EXPECT_EQ(run.err, "Source file and Destination file cannot be the same.\n");
    EXPECT_EQ(readFile(existing), std::string(container.begin(), container.end()));
}

TEST_F(ConvertVerbTest, ASourceThatTheInspectionRefusesIsRefusedOnceAndNotConverted) {
    dir.write("game.bin", std::string(2352, 'x'));
    const std::string wave = dir.write("wave.cue", "FILE \"game.bin\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
    const CliRun run = convert(wave);

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "\n") << "the status line is as the inspection left it";
    EXPECT_EQ(run.err, "Cue sheet \"" + wave +
                           "\", line 1: FILE type WAVE is not supported: the files must be BINARY files of raw "
                           "2,352-byte sectors\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out"));
}

TEST_F(ConvertVerbTest, ACompressionLevelOtherThanADigitOrNothingIsAUsageError) {
    for (const std::string level : {"a", "10", "-1", " ", "９"}) {
        SCOPED_TRACE(level);
        const CliRun run = convert(source(), {"--compression", level});
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("--compression takes a level from 0 to 9, max or nothing"), std::string::npos)
            << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "out"));
    }
    for (const std::string level : {"", "0", "9"}) EXPECT_EQ(convert(source(), {"--compression", level}).status, 0);
}

TEST_F(ConvertVerbTest, MissingSourceIsAUsageError) { EXPECT_EQ(runCli(dir, {"convert"}).status, 2); }

}  // namespace
}  // namespace quillon::testing
