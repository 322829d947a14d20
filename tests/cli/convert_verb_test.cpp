// Runs the built quillon-cli on a temporary program folder.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "common/file_io.h"
#include "source/param_sfo.h"
#include "support/temp_folder.h"
#include "support/test_container.h"

namespace quillon::testing {
namespace {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

class ConvertVerbTest : public ::testing::Test {
protected:
    ConvertVerbTest() { std::filesystem::create_directories(dir.path() / "Files"); }

    // quillon-cli --program-folder DIR convert ARGS..., stdout and stderr to files.
    CliRun convert(const std::vector<std::string>& args) const {
        std::string command = shellQuoted(QUILLON_CLI_PATH) + " --program-folder " +
                              shellQuoted(dir.folder()) + " convert";
        for (const std::string& arg : args) command += " " + shellQuoted(arg);
        const std::string out = dir.file("stdout.txt");
        const std::string err = dir.file("stderr.txt");
        command += " </dev/null >" + shellQuoted(out) + " 2>" + shellQuoted(err);
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(out), readFile(err)};
    }
    std::vector<std::string> gameOptions() const {
        return {"--output", dir.file("out"), "--title", "New title", "--save-title", "Saved",
                "--id-prefix", "SLUS", "--id-number", "01234"};
    }
    std::string source() const { return dir.write("game.pbp", buildContainer(ContainerParts{})); }

    TempFolder dir;
};

TEST_F(ConvertVerbTest, ConvertsAPbpIntoThePerGameFolder) {
    dir.write("Files/options.ini", std::string("[Options]\nfolderOption=2\n"));
    std::filesystem::create_directories(dir.path() / "out");
    std::vector<std::string> args = gameOptions();
    args.insert(args.begin(), source());
    const CliRun run = convert(args);

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "Done.\n");
    EXPECT_EQ(run.err, "");  // no progress line when stderr is no terminal
    const std::string output = dir.file("out/New title/EBOOT.PBP");
    ASSERT_TRUE(isFile(output));
    const std::string bytes = readFile(output);
    std::string title, discId;
    readParamFields(asBytes(bytes), kPbpHeaderSize, title, discId);
    EXPECT_EQ(title, "New title");
    EXPECT_EQ(discId, "SLUS01234");
}

TEST_F(ConvertVerbTest, MessagesGoToStderrTheStatusToStdoutAndTheExitStatusIsOne) {
    std::vector<std::string> args = gameOptions();
    args.insert(args.begin(), source());
    args.push_back("--pal-fix");
    args.push_back("--snd0");
    args.push_back(dir.write("snd0.at3", std::string(2621440, 'x')));
    const CliRun run = convert(args);

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "Done. Did not find any code in iso to patch.\n");
    EXPECT_EQ(run.err,
              "The file size of ICON0.PNG + PIC1.PNG + PIC0.PNG + SND0.AT3 + ICON1.PMF is too big.\n");
    EXPECT_FALSE(isFile(dir.file("out/EBOOT.PBP")));
}

TEST_F(ConvertVerbTest, SourceThatIsTheOutputIsRefused) {
    std::filesystem::create_directories(dir.path() / "out");
    const Bytes container = buildContainer(ContainerParts{});
    const std::string existing = dir.write("out/EBOOT.PBP", container);
    std::vector<std::string> args = gameOptions();
    args.insert(args.begin(), existing);
    const CliRun run = convert(args);

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "Done.\n");
    EXPECT_EQ(run.err, "Source file and Destination file cannot be the same.\n");
    EXPECT_EQ(readFile(existing), std::string(container.begin(), container.end()));
}

TEST_F(ConvertVerbTest, MissingSourceIsAUsageError) {
    EXPECT_EQ(convert({}).exitCode, 2);
}

}  // namespace
}  // namespace quillon::testing
