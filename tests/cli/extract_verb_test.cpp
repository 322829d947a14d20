// quillon-cli extract, run as the built program.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>

#include "common/file_io.h"
#include "extract/test_container.h"
#include "support/temp_folder.h"

namespace quillon {
namespace {

using testing::readFile;
using testing::TempFolder;
using testing::TestContainer;

#ifndef _WIN32

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class ExtractVerbTest : public ::testing::Test {
protected:
    ExtractVerbTest() {
        std::filesystem::create_directories(dir.path() / "Files");
        container.imageData = testing::randomBytes(100000);
        source = dir.write("game.pbp", container.build());
    }

    std::vector<std::string> arguments(const std::vector<std::string>& verbArgs) const {
        std::vector<std::string> args{QUILLON_CLI, "--program-folder", dir.folder(), "extract"};
        args.insert(args.end(), verbArgs.begin(), verbArgs.end());
        return args;
    }

    // Runs the program in the test's folder with stdin, stdout and stderr on files.
    CliRun run(const std::vector<std::string>& verbArgs) const {
        const std::string outPath = scratch.file("out"), errPath = scratch.file("err");
        const pid_t pid = fork();
        if (pid == 0) {
            const int in = open("/dev/null", O_RDONLY);
            const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(in, 0);
            dup2(out, 1);
            dup2(err, 2);
            exec(verbArgs);
        }
        CliRun result;
        result.exitCode = waitFor(pid);
        result.out = readFile(outPath);
        result.err = readFile(errPath);
        return result;
    }

    // Runs the program with stdin and stderr on a terminal, waits for the question
    // whether to replace a file, optionally presses Ctrl+C, then answers `answer`.
    CliRun runOnTerminal(const std::vector<std::string>& verbArgs, bool interrupt,
                         const std::string& answer) const {
        const std::string outPath = scratch.file("out");
        int master = -1, slave = -1;
        if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return {};
        const pid_t pid = fork();
        if (pid == 0) {
            setsid();
            ioctl(slave, TIOCSCTTY, 0);
            const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(slave, 0);
            dup2(out, 1);
            dup2(slave, 2);
            close(master);
            exec(verbArgs);
        }
        close(slave);
        CliRun result;
        readUntil(master, "Replace it? [y/N] ", result.err);
        // The signal is pending before the answer is written, so it is handled before
        // the answer is read.
        if (interrupt) kill(pid, SIGINT);
        const std::string line = answer + "\n";
        EXPECT_EQ(write(master, line.data(), line.size()), static_cast<ssize_t>(line.size()));
        readUntil(master, "", result.err);
        close(master);
        result.exitCode = waitFor(pid);
        result.out = readFile(outPath);
        return result;
    }

    std::string image() const {
        return std::string(container.imageData.begin(), container.imageData.end());
    }

    TempFolder dir;
    TempFolder scratch;
    TestContainer container;
    std::string source;

private:
    [[noreturn]] void exec(const std::vector<std::string>& verbArgs) const {
        if (chdir(dir.path().c_str()) != 0) _exit(127);
        std::vector<std::string> args = arguments(verbArgs);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }

    static int waitFor(pid_t pid) {
        int status = 0;
        if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
        return WEXITSTATUS(status);
    }

    // Reads the terminal until `text` has arrived, or to its end when `text` is empty.
    static void readUntil(int master, const std::string& text, std::string& seen) {
        char buffer[4096];
        while (text.empty() || seen.find(text) == std::string::npos) {
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0) return;
            seen.append(buffer, static_cast<std::size_t>(n));
        }
    }
};

TEST_F(ExtractVerbTest, WritesTheImageUnderTheNameWithIsoAppended) {
    const CliRun result = run({"game.pbp", "game"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "Done.\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(readFile(dir.file("game.iso")), image());
}

TEST_F(ExtractVerbTest, MessagesGoToStderrAndEndWithStatusOne) {
    Bytes noMagic = container.build();
    noMagic[0] = 'X';
    dir.write("bad.pbp", noMagic);

    const CliRun notPbp = run({"game.iso", "out"});
    EXPECT_EQ(notPbp.exitCode, 1);
    EXPECT_EQ(notPbp.out, "Done.\n");
    EXPECT_EQ(notPbp.err, "You have to select a PBP file.\n");

    const CliRun bad = run({"bad.pbp", "out"});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.err, "Selected file is not a valid PBP file.\n");

    const CliRun missing = run({"missing.pbp", "out"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err,
              "Cannot open file \"" + dir.file("missing.pbp") + "\". No such file or directory\n");

    EXPECT_EQ(run({"game.pbp"}).exitCode, 2);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"Files", "bad.pbp", "game.pbp"}));
}

TEST_F(ExtractVerbTest, ExistingFileUnderTheAppendedNameIsKeptWithoutATerminal) {
    dir.write("game.iso", "earlier image");
    const CliRun result = run({"game.pbp", "game"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "Done.\n");
    EXPECT_EQ(result.err,
              "\"" + dir.file("game.iso") + "\" already exists; it was not replaced.\n");
    EXPECT_EQ(readFile(dir.file("game.iso")), "earlier image");
}

TEST_F(ExtractVerbTest, ExistingFileUnderTheAppendedNameIsReplacedWhenTheTerminalSaysYes) {
    dir.write("game.iso", "earlier image");
    const CliRun result = runOnTerminal({"game.pbp", "game"}, false, "y");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Done.\n");
    EXPECT_EQ(readFile(dir.file("game.iso")), image());
}

TEST_F(ExtractVerbTest, CtrlCActsAsAbort) {
    dir.write("game.iso", "earlier image");
    const CliRun result = runOnTerminal({"game.pbp", "game"}, true, "y");
    EXPECT_EQ(result.exitCode, 130) << result.err;
    EXPECT_EQ(result.out, "User aborted.\n");
    EXPECT_EQ(readFile(dir.file("game.iso")), "earlier image");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"Files", "game.iso", "game.pbp"}));
}

#endif  // _WIN32

}  // namespace
}  // namespace quillon
