// quillon-cli extract, run as the built program; and the way back from a disc image
// through quillon-cli convert with the real popstation tool.
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

#include "state/busy_state.h"
#include "common/file_io.h"
#include "support/packed_container.h"
#include "support/cli_run.h"
#include "support/temp_folder.h"

namespace quillon::testing {
namespace {

class ExtractVerbTest : public ::testing::Test {
protected:
    ExtractVerbTest() {
        container.imageData = randomBytes(100000);
        source = dir.write("game.pbp", container.build());
    }

    CliRun extract(const std::string& from, const std::string& to) const {
        return runCli(dir, {"extract", from, to});
    }

    std::string image() const {
        return std::string(container.imageData.begin(), container.imageData.end());
    }

    TempFolder dir;
    TestContainer container;
    std::string source;
};

TEST_F(ExtractVerbTest, WritesTheImageUnderTheNameWithIsoAppended) {
    const CliRun run = extract(source, dir.file("game"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Done.\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(readFile(dir.file("game.iso")), image());
}

TEST_F(ExtractVerbTest, MessagesGoToStderrAndEndWithStatusOne) {
    Bytes noMagic = container.build();
    noMagic[0] = 'X';
    const std::string bad = dir.write("bad.pbp", noMagic);

    const CliRun notPbp = extract(dir.file("game.iso"), dir.file("out"));
    EXPECT_EQ(notPbp.status, 1);
    EXPECT_EQ(notPbp.out, "Done.\n");
    EXPECT_EQ(notPbp.err, "You have to select a PBP file.\n");

    const CliRun badRun = extract(bad, dir.file("out"));
    EXPECT_EQ(badRun.status, 1);
    EXPECT_EQ(badRun.err, "Selected file is not a valid PBP file.\n");

    const CliRun missing = extract(dir.file("missing.pbp"), dir.file("out"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Cannot open file \"" + dir.file("missing.pbp") +
                               "\". No such file or directory\n");

    EXPECT_EQ(runCli(dir, {"extract", source}).status, 2);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"bad.pbp", "game.pbp", "stderr.txt"}));
}

TEST_F(ExtractVerbTest, ExistingFileUnderTheAppendedNameIsKeptWithoutATerminal) {
    dir.write("game.iso", "earlier image");
    const CliRun run = extract(source, dir.file("game"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Done.\n");
    EXPECT_EQ(run.err, "\"" + dir.file("game.iso") + "\" already exists; it was not replaced.\n");
    EXPECT_EQ(readFile(dir.file("game.iso")), "earlier image");
}

#ifndef _WIN32

// Runs quillon-cli with stdin and stderr on a terminal and stdout on a file, waits for
// the question whether to replace a file, optionally presses Ctrl+C, then answers.
CliRun runOnTerminal(const TempFolder& dir, std::vector<std::string> args, bool interrupt,
                     const std::string& answer) {
    const std::string outPath = dir.file("stdout.txt");
    args.insert(args.begin(), {QUILLON_CLI, "--program-folder", dir.folder()});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

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
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(slave);
    CliRun run;
    const auto readUntil = [&](const std::string& text) {  // empty: to the end
        char buffer[4096];
        while (text.empty() || run.err.find(text) == std::string::npos) {
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0) return;
            run.err.append(buffer, static_cast<std::size_t>(n));
        }
    };
    readUntil("Replace it? [y/N] ");
    // The signal is pending before the answer is written, so it is handled first.
    if (interrupt) kill(pid, SIGINT);
    const std::string line = answer + "\n";
    EXPECT_EQ(write(master, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    readUntil("");
    close(master);
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.status = WEXITSTATUS(status);
    run.out = readFile(outPath);
    std::filesystem::remove(outPath);
    return run;
}

TEST_F(ExtractVerbTest, ExistingFileUnderTheAppendedNameIsReplacedWhenTheTerminalSaysYes) {
    dir.write("game.iso", "earlier image");
    const CliRun run = runOnTerminal(dir, {"extract", source, dir.file("game")}, false, "y");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Done.\n");
    EXPECT_EQ(readFile(dir.file("game.iso")), image());
}

TEST_F(ExtractVerbTest, CtrlCActsAsAbort) {
    dir.write("game.iso", "earlier image");
    const CliRun run = runOnTerminal(dir, {"extract", source, dir.file("game")}, true, "y");
    EXPECT_EQ(run.status, 130) << run.err;
    EXPECT_EQ(run.out, "User aborted.\n");
    EXPECT_EQ(readFile(dir.file("game.iso")), "earlier image");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"game.iso", "game.pbp"}));
}

#endif  // _WIN32

// ---- the way back: convert with the real tool, then extract ----

class RoundTripTest : public ::testing::Test {
protected:
    RoundTripTest() {
        installPopstation(dir, kPopstationFileName);
        // Noise with long runs of one byte in between, so that level 9 deflates some
        // blocks and stores others; the size does not end on a block.
        image = randomBytes(40 * kImageBlockSize + 1234, 5);
        const Bytes runs = compressibleBytes(20 * kImageBlockSize);
        std::copy(runs.begin(), runs.end(), image.begin() + 10 * kImageBlockSize);
        source = dir.write("game.bin", image);
    }

    // Converts the image at `level` (empty: the settings' level, none) and extracts the
    // container; the extracted image.
    std::string convertAndExtract(const std::string& level) {
        std::vector<std::string> args{"convert",     source, "--output",    dir.file("out"),
                                      "--title",     "Game", "--id-prefix", "SLUS",
                                      "--id-number", "01234"};
        if (!level.empty()) args.insert(args.end(), {"--compression", level});
        const CliRun converted = runCli(dir, args);
        EXPECT_EQ(converted.status, 0) << converted.err;
        std::string eboot;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path() / "out")) {
            if (entry.path().filename() == "EBOOT.PBP") eboot = entry.path().string();
        }
        containerSize = std::filesystem::file_size(eboot);
        const CliRun extracted = runCli(dir, {"extract", eboot, dir.file("back.iso")});
        EXPECT_EQ(extracted.status, 0) << extracted.err;
        EXPECT_EQ(extracted.out, "Done.\n");
        return readFile(dir.file("back.iso"));
    }

    TempFolder dir;
    Bytes image;
    std::string source;
    std::uintmax_t containerSize = 0;
};

TEST_F(RoundTripTest, StoredAndDeflatedContainersGiveTheImageBack) {
    const Bytes padded = paddedImage(image);
    const std::string expected(padded.begin(), padded.end());
    EXPECT_EQ(convertAndExtract(""), expected);
    const std::uintmax_t storedSize = containerSize;
    EXPECT_EQ(convertAndExtract("9"), expected);
    EXPECT_LT(containerSize + 10 * kImageBlockSize, storedSize) << "blocks were deflated";
}

}  // namespace
}  // namespace quillon::testing
