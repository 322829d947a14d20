// quillon-cli extract, run as the built program; and the way back from a disc image
// through quillon-cli convert with the real popstation tool.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "common/file_io.h"
#include "source/cue_sheet_disc.h"
#include "state/busy_state.h"
#include "support/cli_run.h"
#include "support/packed_container.h"
#include "support/temp_folder.h"

namespace quillon::testing {
namespace {

class ExtractVerbTest : public ::testing::Test {
protected:
    ExtractVerbTest() {
        container.imageData = randomBytes(100000);
        source = dir.write("game.pbp", container.build());
    }

    CliRun extract(const std::string& from, const std::string& to) const { return runCli(dir, {"extract", from, to}); }

    std::string image() const { return std::string(container.imageData.begin(), container.imageData.end()); }

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
    EXPECT_EQ(missing.err, "Cannot open file \"" + dir.file("missing.pbp") + "\". No such file or directory\n");

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

// Runs quillon-cli with stdin and stderr on a terminal and stdout on a file, waits for
// the question whether to replace a file, optionally presses Ctrl+C, then answers.
CliRun runOnTerminal(const TempFolder& dir, std::vector<std::string> args, bool interrupt, const std::string& answer) {
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

// ---- the way back: convert with the real tool, then extract ----

class RoundTripTest : public ::testing::Test {
protected:
    RoundTripTest() { installPopstation(dir, kPopstationFileName); }

    // Converts `source` at compression `level` and extracts the container into
    // back.iso; the extracted image.
    std::string convertAndExtract(const std::string& source, const std::string& level) {
        const CliRun converted = runCli(dir, {"convert", source, "--output", dir.file("out"), "--title", "Game",
                                              "--id-prefix", "SLUS", "--id-number", "01234", "--compression", level});
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
    std::uintmax_t containerSize = 0;
};

TEST_F(RoundTripTest, ImageOfWholeSectorsComesBackByteForByte) {
    // Noise with long runs of one byte in between, so that level 9 deflates some blocks
    // and stores others; the size does not end on a block.
    Bytes image = randomBytes(40 * kImageBlockSize + 5 * kSectorSize, 5);
    const Bytes runs = compressibleBytes(20 * kImageBlockSize);
    std::copy(runs.begin(), runs.end(), image.begin() + 10 * kImageBlockSize);
    const std::string source = dir.write("game.bin", image);
    const std::string expected(image.begin(), image.end());

    EXPECT_EQ(convertAndExtract(source, "0"), expected);
    const std::uintmax_t storedSize = containerSize;
    EXPECT_EQ(convertAndExtract(source, "9"), expected);
    EXPECT_LT(containerSize + 10 * kImageBlockSize, storedSize) << "blocks were deflated";
    EXPECT_FALSE(isFile(dir.file("back.cue")));
}

TEST_F(RoundTripTest, CueSheetComesBackAsOneImageWithASheetOfTheSameTracks) {
    const Bytes data = randomBytes(300 * kSectorSize, 6);
    const Bytes audio = randomBytes(200 * kSectorSize, 7);
    dir.write("Game (Track 1).bin", data);
    dir.write("Game (Track 2).bin", audio);
    Bytes merged = data;
    merged.insert(merged.end(), audio.begin(), audio.end());
    struct Case {
        std::string track2;              // its lines, from the second FILE line on
        std::uint64_t index00, index01;  // of track 2 in the sheet that comes back
    };
    const std::vector<Case> cases{
        // The pregap in the file of track 2: after the 300 sectors of track 1.
        {"FILE \"Game (Track 2).bin\" BINARY\r\n  TRACK 02 AUDIO\r\n    INDEX 00 00:00:00\r\n"
         "    INDEX 01 00:02:00\r\n",
         300, 450},
        // The pregap at the end of the file of track 1, track 2 at the start of its own.
        {"  TRACK 02 AUDIO\r\n    INDEX 00 00:02:00\r\nFILE \"Game (Track 2).bin\" BINARY\r\n"
         "    INDEX 01 00:00:00\r\n",
         150, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.track2);
        removeFile(dir.file("back.iso"));
        removeFile(dir.file("back.cue"));
        const std::string sheet = dir.write(
            "Game.cue",
            "FILE \"Game (Track 1).bin\" BINARY\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n" + c.track2);

        EXPECT_EQ(convertAndExtract(sheet, "9"), std::string(merged.begin(), merged.end()));

        const auto back = readCueSheet(dir.file("back.cue"));
        ASSERT_TRUE(back.ok()) << back.error().message;
        ASSERT_EQ(back->files.size(), 1u);
        EXPECT_EQ(back->files[0].path, dir.file("back.iso"));
        ASSERT_EQ(back->tracks.size(), 2u);
        EXPECT_EQ(back->tracks[0].mode, TrackMode::Mode2);
        EXPECT_EQ(back->tracks[0].index00, std::nullopt);
        EXPECT_EQ(back->tracks[0].index01, 0u);
        EXPECT_EQ(back->tracks[1].mode, TrackMode::Audio);
        EXPECT_EQ(back->tracks[1].index00, std::optional<std::uint64_t>(c.index00));
        EXPECT_EQ(back->tracks[1].index01, c.index01);
    }
}

// ---- containers of several discs, packed by the real tool from a playlist ----

struct DiscSet {
    std::vector<std::size_t> sectors;   // of each disc
    std::vector<std::string> toolArgs;  // in front of the playlist
};

class ExtractDiscSetTest : public ::testing::TestWithParam<DiscSet> {
protected:
    // Packs the discs with the tool in a folder of their own; the container's path.
    std::string packDiscs() {
        std::string playlist;
        for (std::size_t i = 0; i < GetParam().sectors.size(); ++i) {
            images.push_back(randomBytes(GetParam().sectors[i] * kSectorSize, static_cast<unsigned>(10 + i)));
            const std::string name = "disc " + std::to_string(i + 1) + ".bin";
            dir.write("pack/" + name, images.back());
            playlist += name + "\n";
        }
        dir.write("pack/Game.m3u", playlist);
        std::string command = "cd " + quoted(dir.file("pack")) + " && " + quoted(QUILLON_POPSTATION_TOOL);
        for (const std::string& arg : GetParam().toolArgs) command += " " + quoted(arg);
        command += " Game.m3u >tool.txt";
        EXPECT_EQ(std::system(command.c_str()), 0) << readFile(dir.file("pack/tool.txt"));
        return dir.file("pack/EBOOT.PBP");
    }

    std::string image(std::size_t disc) const { return std::string(images[disc].begin(), images[disc].end()); }

    TempFolder dir;
    std::vector<Bytes> images;
};

TEST_P(ExtractDiscSetTest, EveryDiscComesBackUnderItsNumberedNameOrOneAloneWithDisc) {
    const std::string source = packDiscs();
    const std::size_t count = images.size();

    const CliRun all = runCli(dir, {"extract", source, dir.file("Game")});
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out, "Done.\n");
    for (std::size_t disc = 0; disc < count; ++disc) {
        EXPECT_EQ(readFile(dir.file("Game (Disc " + std::to_string(disc + 1) + ").iso")), image(disc)) << disc;
    }

    const CliRun last = runCli(dir, {"extract", "--disc", std::to_string(count), source, dir.file("last.iso")});
    EXPECT_EQ(last.status, 0) << last.err;
    EXPECT_EQ(readFile(dir.file("last.iso")), image(count - 1));

    const CliRun beyond = runCli(dir, {"extract", source, dir.file("none"), "--disc=" + std::to_string(count + 1)});
    EXPECT_EQ(beyond.status, 1);
    EXPECT_EQ(beyond.err, "\"" + source + "\" holds " + std::to_string(count) + " discs: there is no disc " +
                              std::to_string(count + 1) + ".\n");
    EXPECT_FALSE(isFile(dir.file("none.iso")));

    // Without a terminal to answer, existing files are kept.
    const CliRun again = runCli(dir, {"extract", source, dir.file("Game")});
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(
        again.err.starts_with("\"" + dir.file("Game (Disc 1).iso") + "\", \"" + dir.file("Game (Disc 2).iso") + "\""))
        << again.err;
    EXPECT_TRUE(again.err.ends_with("\" already exist; they were not replaced.\n")) << again.err;
}

INSTANTIATE_TEST_SUITE_P(Sets, ExtractDiscSetTest,
                         ::testing::Values(DiscSet{{40, 75}, {"Game", "SLUS01234", "9"}}, DiscSet{{17, 30, 50}, {}}));

TEST(ExtractVerbUsageTest, DiscMustBeANumberFromOne) {
    TempFolder dir;
    for (const std::vector<std::string>& args : {std::vector<std::string>{"extract", "a.pbp", "b", "--disc", "0"},
                                                 {"extract", "a.pbp", "b", "--disc=x"},
                                                 {"extract", "a.pbp", "b", "--disc"},
                                                 {"extract", "a.pbp", "b", "--discs", "2"}}) {
        const CliRun run = runCli(dir, args);
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_TRUE(run.err.starts_with("quillon-cli: ")) << run.err;
    }
}

}  // namespace
}  // namespace quillon::testing
