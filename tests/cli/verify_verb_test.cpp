// quillon-cli verify, run as the built program on containers that the real popstation
// tool wrote: clean for every kind, failing once a byte that a reader needs is edited
// away.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "common/file_io.h"
#include "source/image_index.h"
#include "source/pbp.h"
#include "state/busy_state.h"
#include "support/cli_run.h"
#include "support/packed_container.h"
#include "support/temp_folder.h"

namespace quillon::testing {
namespace {

Bytes sectors(std::size_t count, unsigned seed) { return compressibleBytes(count * kSectorSize, seed); }

class VerifyVerbTest : public ::testing::Test {
protected:
    VerifyVerbTest() { installPopstation(dir, kPopstationFileName); }

    // Converts `source` at compression `level` with quillon-cli; the container's path.
    std::string convert(const std::string& source, const std::string& level) {
        const std::string output = dir.file("out" + std::to_string(++conversions));
        const CliRun converted = runCli(dir, {"convert", source, "--output", output, "--title", "Game", "--id-prefix",
                                              "SLUS", "--id-number", "01234", "--compression", level});
        EXPECT_EQ(converted.status, 0) << converted.err;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(output)) {
            if (entry.path().filename() == "EBOOT.PBP") return entry.path().string();
        }
        return {};
    }

    // Packs the discs of a playlist with the tool in a folder of their own.
    std::string packDiscs(const std::vector<std::size_t>& sizes) {
        std::string playlist;
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            dir.write("pack/disc" + std::to_string(i + 1) + ".bin", sectors(sizes[i], static_cast<unsigned>(i + 5)));
            playlist += "disc" + std::to_string(i + 1) + ".bin\n";
        }
        dir.write("pack/Game.m3u", playlist);
        const std::string command = "cd " + quoted(dir.file("pack")) + " && " + quoted(QUILLON_POPSTATION_TOOL) +
                                    " Game SLUS01234 9 Game.m3u >tool.txt";
        EXPECT_EQ(std::system(command.c_str()), 0) << readFile(dir.file("pack/tool.txt"));
        return dir.file("pack/EBOOT.PBP");
    }

    std::string cueSheet() {
        dir.write("Game (Track 1).bin", sectors(300, 3));
        dir.write("Game (Track 2).bin", sectors(200, 4));
        return dir.write("Game.cue", std::string("FILE \"Game (Track 1).bin\" BINARY\n  TRACK 01 MODE2/2352\n"
                                                 "    INDEX 01 00:00:00\nFILE \"Game (Track 2).bin\" BINARY\n"
                                                 "  TRACK 02 AUDIO\n    INDEX 00 00:00:00\n    INDEX 01 00:02:00\n"));
    }

    TempFolder dir;
    int conversions = 0;
};

TEST_F(VerifyVerbTest, ContainersOfEveryKindThatTheToolWritesVerifyClean) {
    const std::string image = dir.write("game.bin", sectors(700, 1));
    const std::string level0 = convert(image, "0");
    const std::string level9 = convert(image, "9");
    const std::string cue = convert(cueSheet(), "9");
    const std::string discs = packDiscs({40, 75});

    const CliRun run = runCli(dir, {"verify", level0, level9, cue, discs});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(run.out.starts_with(level0 +
                                    ": 1 disc, 700 sectors, level 0, 54 of 54 checksums match\n"
                                    "note: pcsxr and PCSX ReARMed cannot read its 54 stored blocks (level 0)\n" +
                                    level9 + ": 1 disc, 700 sectors, deflated, 54 of 54 checksums match\n" + cue +
                                    ": 1 disc, 500 sectors, deflated, 41 of 41 checksums match\n" + discs +
                                    ": 2 discs, 40 and 75 sectors, deflated, 27 of 27 checksums match\n"
                                    "verified:  4\nskipped:   0\nfailed:    0\nstopped:   0\n"))
        << run.out;
    EXPECT_EQ(run.err, "");
}

TEST_F(VerifyVerbTest, ContainerWithoutWhatAReaderNeedsFails) {
    const std::string path = convert(dir.write("game.bin", sectors(700, 1)), "9");
    const Bytes intact = readWholeFile(path).value();
    const std::uint64_t psar = loadLe24(&intact[headerField(PbpSection::DataPsar)]);
    const std::string bootable = "BOOTABLE";
    const auto key = std::search(intact.begin(), intact.end(), bootable.begin(), bootable.end());
    ASSERT_NE(key, intact.end());

    struct Case {
        std::string name;
        std::function<void(Bytes&)> edit;
        std::string line;
    };
    const std::vector<Case> cases{
        {"BOOTABLE removed", [&](Bytes& f) { f[static_cast<std::size_t>(key - intact.begin())] = 'X'; },
         "DuckStation will refuse it: PARAM.SFO has no BOOTABLE key"},
        {"+0xBFC zeroed", [&](Bytes& f) { storeLe32(&f[psar + kImageDataPositionOffset], 0); },
         "DuckStation misreads it: +0xBFC of its disc-image block holds 0x0, not 0x100000, where its image data "
         "begins"},
        {"blocks past the end missing",
         [&](Bytes& f) {
             // The index ends after the image's 44 blocks, whose stored bytes the start-screen block follows.
             std::uint8_t* end = &f[psar + kIndexOffset + 44 * kIndexEntrySize];
             const std::uint32_t cut = decodeIndexEntry(end).offset;
             const std::uint32_t stored = decodeIndexEntry(end + 10 * kIndexEntrySize).offset;
             encodeIndexEntry(indexEndEntry(cut), end);
             const auto from = f.begin() + static_cast<std::ptrdiff_t>(psar + kImageDataOffset);
             f.erase(from + cut, from + stored);
         },
         "DuckStation cannot preload it: its blocks hold 704 sectors, not the 850 it reads (the image's 700 + 150)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes edited = intact;
        c.edit(edited);
        const std::string container = dir.write("edited.pbp", edited);
        const CliRun run = runCli(dir, {"verify", path, container});
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.out.starts_with(path + ": 1 disc, 700 sectors, deflated, 54 of 54 checksums match\n" +
                                        container + ": 1 disc, 700 sectors, deflated, "))
            << run.out;
        EXPECT_NE(run.out.find(" checksums match\n" + c.line + "\nverified:  1\nskipped:   0\nfailed:    1\n"),
                  std::string::npos)
            << run.out;
    }
}

TEST_F(VerifyVerbTest, FileThatCannotBeReadFailsAndUsageErrorsGiveTwo) {
    const CliRun missing = runCli(dir, {"verify", dir.file("missing.pbp")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, dir.file("missing.pbp") + ": Cannot open file \"" + dir.file("missing.pbp") +
                               "\". No such file or directory\n");
    for (const std::vector<std::string>& args : {std::vector<std::string>{"verify"}, {"verify", "a.pbp", "--level"}}) {
        const CliRun run = runCli(dir, args);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.starts_with("quillon-cli: ")) << run.err;
    }
}

TEST_F(VerifyVerbTest, ARequestToEndStopsIt) {
    const std::string container = convert(dir.write("game.bin", sectors(700, 1)), "9");
    const std::vector<std::string> many(3000, container);
    std::vector<std::string> args{"verify"};
    args.insert(args.end(), many.begin(), many.end());
    const pid_t cli = startCli(dir, args);
    for (int i = 0; i < 2000 && readFile(dir.file("stdout.txt")).empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::kill(cli, SIGTERM);
    EXPECT_EQ(waitForExit(cli), 143);
    const std::string out = readFile(dir.file("stdout.txt"));
    EXPECT_LT(std::count(out.begin(), out.end(), '\n'), 3000) << "it stopped before the last container";
}

}  // namespace
}  // namespace quillon::testing
