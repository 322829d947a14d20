// quillon-cli convert over a whole library with the real popstation tool: plain images,
// a cue sheet with audio tracks, a playlist of two discs, a container, a broken cue
// sheet and a game the game list does not know, converted in one run; run again, and
// stopped in the middle and run again.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "common/file_system.h"
#include "state/busy_state.h"
#include "support/cd_sectors.h"
#include "support/cli_run.h"
#include "support/temp_folder.h"

namespace quillon::testing {
namespace {

namespace fs = std::filesystem;

// An image of noise whose boot line names `discId` (as "SLUS_012.34").
Bytes plainImage(const std::string& discId, std::size_t bytes, std::uint32_t seed) {
    Bytes image(bytes);
    fillNoise(image, seed);
    const std::string boot = "BOOT = cdrom:\\" + discId + ";1";
    std::copy(boot.begin(), boot.end(), image.begin() + 0x9340);
    return image;
}

// The disc's tracks with the boot line's disc ID changed to `discId`.
std::vector<TestTrack> withDiscId(std::vector<TestTrack> tracks, const std::string& discId) {
    const std::string old = "SLUS_012.34";
    Bytes& data = tracks.front().bytes;
    const auto at = std::search(data.begin(), data.end(), old.begin(), old.end());
    std::copy(discId.begin(), discId.end(), at);
    return tracks;
}

class BatchConvertTest : public ::testing::Test {
protected:
    BatchConvertTest() {
        installPopstation(dir, kPopstationFileName);
        dir.write("Files/gameInfo.txt", "SLUS-01234;x;USA;Known Game\r\n");
    }

    // The containers below `output`, by their folder's name.
    std::map<std::string, std::string> containers(const std::string& output) const {
        std::map<std::string, std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(dir.file(output))) {
            if (entry.path().filename() == "EBOOT.PBP") {
                found[entry.path().parent_path().filename().string()] = readFile(entry.path().string());
            }
        }
        return found;
    }
    std::vector<std::string> names(const std::string& folder) const {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(dir.file(folder))) {
            found.push_back(entry.path().filename().string());
        }
        std::ranges::sort(found);
        return found;
    }
    CliRun convert(std::vector<std::string> more) const {
        std::vector<std::string> args{"convert", dir.file("lib"), "--output", dir.file("lib/out")};
        args.insert(args.end(), more.begin(), more.end());
        return runCli(dir, args);
    }

    TempFolder dir;
};

TEST_F(BatchConvertTest, ALibraryConvertsInOneRunAndTheNextRunSkipsIt) {
    dir.write("lib/Known.bin", plainImage("SLUS_012.34", 2 << 20, 1));
    dir.write("lib/more/Unknown.iso", plainImage("SCUS_944.55", 2 << 20, 2));
    writeTestDisc(dir, "Audio", withDiscId(audioDisc(), "SLES_555.55"));
    fs::create_directories(dir.file("lib/cd"));
    for (const char* name : {"Audio.cue", "Audio_01.bin", "Audio_02.bin", "Audio_03.bin"}) {
        fs::rename(dir.file(name), dir.file(std::string("lib/cd/") + name));
    }
    dir.write("lib/two/Pair (Disc 1).bin", plainImage("SCES_000.01", 1 << 20, 3));
    dir.write("lib/two/Pair (Disc 2).bin", plainImage("SCES_000.02", 1 << 20, 4));
    dir.write("lib/two/Pair.m3u", "Pair (Disc 1).bin\nPair (Disc 2).bin\n");
    dir.write("lib/Broken.cue", "FILE \"Broken.bin\" BINARY\n  TRACK 01 MODE9/2352\n");
    dir.write("lib/Broken.bin", plainImage("SLUS_999.99", 1 << 20, 5));
    // A container made beforehand, with a save ID of its own.
    const std::string made = dir.write("made.bin", plainImage("SLPS_000.99", 1 << 20, 6));
    ASSERT_EQ(runCli(dir, {"convert", made, "--output", dir.file("made")}).status, 0);
    fs::create_directories(dir.file("lib/pbp"));
    fs::copy_file(dir.file("made/EBOOT.PBP"), dir.file("lib/pbp/Game.pbp"));

    const CliRun first = convert({"--compression", "1"});
    EXPECT_EQ(first.status, 1) << first.out << first.err;
    EXPECT_NE(first.out.find("failed    " + dir.file("lib/Broken.cue") + ": Cue sheet"), std::string::npos)
        << first.out;
    EXPECT_NE(first.out.find("converted: 5\nskipped:   0\nfailed:    1\n"), std::string::npos) << first.out;
    const auto converted = containers("lib/out");
    std::vector<std::string> folders;
    for (const auto& [folder, bytes] : converted) folders.push_back(folder);
    EXPECT_EQ(folders, (std::vector<std::string>{"SCES00001", "SCUS94455", "SLES55555", "SLPS00099", "SLUS01234"}));
    EXPECT_NE(converted.at("SLUS01234").find("Known Game"), std::string::npos);
    EXPECT_NE(converted.at("SCUS94455").find("Unknown"), std::string::npos);  // titled after its file
    EXPECT_NE(converted.at("SCES00001").find("PSTITLEIMG"), std::string::npos);
    // Nothing of the jobs is left, and nothing went into the program folder's places.
    EXPECT_EQ(names("lib/out"), (std::vector<std::string>{".quillon-batch.lock", "SCES00001", "SCUS94455", "SLES55555",
                                                          "SLPS00099", "SLUS01234"}));
    EXPECT_FALSE(fs::exists(dir.file("Files/EBOOT.PBP")));
    EXPECT_FALSE(fs::exists(dir.file("Pics/icon0.png")));

    const CliRun second = convert({});
    EXPECT_EQ(second.status, 1) << second.out;
    EXPECT_NE(second.out.find("converted: 0\nskipped:   5\nfailed:    1\n"), std::string::npos) << second.out;
    EXPECT_EQ(containers("lib/out"), converted);

    fs::remove(dir.file("lib/Broken.cue"));
    const CliRun redone = convert({"--redo", "--jobs", "3", "--compression", "1"});
    EXPECT_EQ(redone.status, 0) << redone.out;
    EXPECT_NE(redone.out.find("converted: 6\n"), std::string::npos) << redone.out;  // Broken.bin alone now
    auto again = containers("lib/out");
    again.erase("SLUS99999");
    EXPECT_EQ(again, converted);
}

TEST_F(BatchConvertTest, ARunStoppedInTheMiddleAndRunAgainEndsAsAnUninterruptedOne) {
    for (int i = 0; i < 4; ++i) {
        const std::string id = "SLUS_0000" + std::to_string(i);
        dir.write("lib/game" + std::to_string(i) + ".bin",
                  plainImage(id.substr(0, 8) + "." + id.substr(8), 12 << 20, i));
    }
    const std::vector<std::string> options{"--jobs", "1", "--compression", "9"};
    std::vector<std::string> args{"convert", dir.file("lib"), "--output", dir.file("whole")};
    args.insert(args.end(), options.begin(), options.end());
    ASSERT_EQ(runCli(dir, args).status, 0);

    args[3] = dir.file("stopped");
    const pid_t cli = startCli(dir, args);
    for (int i = 0; i < 6000 && readFile(dir.file("stdout.txt")).find("converted ") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::kill(cli, SIGTERM);
    EXPECT_EQ(waitForExit(cli), 143);
    const std::string out = readFile(dir.file("stdout.txt"));
    EXPECT_NE(out.find("stopped:   "), std::string::npos) << out;
    const auto part = containers("stopped");
    EXPECT_GE(part.size(), 1u);
    EXPECT_LT(part.size(), 4u) << out;
    EXPECT_FALSE(fs::exists(dir.file("stopped/.quillon-work")));

    const CliRun resumed = runCli(dir, args);
    EXPECT_EQ(resumed.status, 0) << resumed.out;
    EXPECT_NE(resumed.out.find("skipped:   " + std::to_string(part.size())), std::string::npos) << resumed.out;
    EXPECT_EQ(containers("stopped"), containers("whole"));
}

TEST_F(BatchConvertTest, GamesThatWouldShareAFolderAreReportedBeforeAnythingIsWritten) {
    const Bytes image = plainImage("SLUS_012.34", 1 << 20, 1);
    dir.write("lib/a.bin", image);
    dir.write("lib/b.iso", image);
    dir.write("lib/c.img", plainImage("SLUS_000.01", 1 << 20, 2));
    const CliRun run = convert({"--compression", "0"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("would all write the folder \"" + dir.file("lib/out/SLUS01234") + "\""), std::string::npos)
        << run.err;
    EXPECT_NE(run.out.find("converted: 1\nskipped:   0\nfailed:    2\n"), std::string::npos) << run.out;
    EXPECT_FALSE(fs::exists(dir.file("lib/out/SLUS01234")));
}

TEST_F(BatchConvertTest, ADryRunSaysWhatItWouldDoAndWritesNothing) {
    dir.write("lib/a.bin", plainImage("SLUS_012.34", 1 << 20, 1));
    const CliRun run = convert({"--dry-run"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "would convert " + dir.file("lib/a.bin") + " -> " + dir.file("lib/out/SLUS01234/EBOOT.PBP") + "\n");
    EXPECT_FALSE(fs::exists(dir.file("lib/out")));
}

TEST_F(BatchConvertTest, AFolderWithoutGamesIsSaidToHoldNone) {
    dir.write("lib/notes.txt", "no disc here");
    const CliRun run = convert({});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "quillon-cli: no games found.\n");
}

TEST_F(BatchConvertTest, AnOutputFolderThatAnotherRunHoldsIsRefused) {
    dir.write("lib/a.bin", plainImage("SLUS_012.34", 1 << 20, 1));
    fs::create_directories(dir.file("lib/out"));
    auto lock = FileLock::tryLock(dir.file("lib/out/.quillon-batch.lock"));
    ASSERT_TRUE(lock && *lock);
    const CliRun run = convert({});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Another batch conversion is writing into"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir.file("lib/out/SLUS01234")));
}

TEST_F(BatchConvertTest, ContainersExtractAsSingleExtractionsWouldUnderTheirTitles) {
    dir.write("lib/Known.bin", plainImage("SLUS_012.34", 1 << 20, 1));
    dir.write("lib/Unknown.iso", plainImage("SCUS_944.55", 1 << 20, 2));
    dir.write("lib/Pair (Disc 1).bin", plainImage("SCES_000.01", 1 << 20, 3));
    dir.write("lib/Pair (Disc 2).bin", plainImage("SCES_000.02", 1 << 20, 4));
    dir.write("lib/Pair.m3u", "Pair (Disc 1).bin\nPair (Disc 2).bin\n");
    ASSERT_EQ(runCli(dir, {"convert", dir.file("lib"), "--output", dir.file("pbp"), "--compression", "1"}).status, 0);
    // The first block of one container no longer matches its checksum.
    const std::string damaged = dir.file("pbp/SCUS94455/EBOOT.PBP");
    std::string bytes = readFile(damaged);
    bytes[loadLe32(reinterpret_cast<const std::uint8_t*>(&bytes[0x24])) + 0x4000 + 8] ^= 1;
    dir.write("pbp/SCUS94455/EBOOT.PBP", bytes);
    const std::map<std::string, std::string> titles{
        {"SLUS01234", "Known Game"}, {"SCUS94455", "Unknown"}, {"SCES00001", "Pair"}};
    fs::create_directories(dir.file("single"));
    for (const auto& [folder, name] : titles) {
        runCli(dir, {"extract", dir.file("pbp/" + folder + "/EBOOT.PBP"), dir.file("single/" + name)});
    }
    const std::vector<std::string> args{"extract", dir.file("pbp"), "--output", dir.file("pbp/images")};

    const CliRun plan = runCli(dir, {"extract", damaged, "--output", dir.file("plan"), "--dry-run"});
    EXPECT_EQ(plan.out, "would extract " + damaged + " -> " + dir.file("plan/Unknown.iso") + "\n");
    EXPECT_FALSE(fs::exists(dir.file("plan")));

    std::vector<std::string> parallel = args;
    parallel.insert(parallel.end(), {"--jobs", "2"});
    const CliRun first = runCli(dir, parallel);
    EXPECT_EQ(first.status, 1) << first.out << first.err;
    EXPECT_NE(first.out.find("failed    " + damaged + ": "), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("extracted: 2\nskipped:   0\nfailed:    1\n"), std::string::npos) << first.out;
    fs::remove(dir.file("pbp/images/.quillon-batch.lock"));
    EXPECT_EQ(names("pbp/images"), names("single"));
    for (const std::string& name : names("single")) {
        EXPECT_EQ(readFile(dir.file("pbp/images/" + name)), readFile(dir.file("single/" + name))) << name;
    }
    // The damaged container's image was written as it is, as a single extraction writes it.
    const CliRun second = runCli(dir, args);
    EXPECT_EQ(second.status, 0) << second.out;
    EXPECT_NE(second.out.find("extracted: 0\nskipped:   3\n"), std::string::npos) << second.out;

    fs::copy_file(damaged, dir.file("pbp/SLUS01234/copy.pbp"));
    const CliRun clash = runCli(dir, {"extract", dir.file("pbp"), "--output", dir.file("clash")});
    EXPECT_EQ(clash.status, 1);
    EXPECT_NE(clash.err.find("would all write \"" + dir.file("clash/Unknown.iso") + "\""), std::string::npos)
        << clash.err;
    EXPECT_NE(clash.out.find("extracted: 2\nskipped:   0\nfailed:    2\n"), std::string::npos) << clash.out;
    EXPECT_FALSE(fs::exists(dir.file("clash/Unknown.iso")));
}

TEST_F(BatchConvertTest, OneGamesValuesAndBadCountsAreUsageErrors) {
    dir.write("lib/a.bin", "x");
    const std::vector<std::vector<std::string>> cases{
        {"convert", dir.file("lib"), "--output", dir.file("out"), "--title", "T"},
        {"convert", dir.file("lib/a.bin"), dir.file("lib/a.bin"), "--output", dir.file("out"), "--icon0", "i.png"},
        {"convert", dir.file("lib"), "--output", dir.file("out"), "--jobs", "0"},
        {"convert", dir.file("lib"), "--output", dir.file("out"), "--jobs", "two"},
        {"convert", dir.file("lib")},
        {"extract", dir.file("lib"), "--output", dir.file("out"), "--disc", "1"},
        {"extract", dir.file("lib"), dir.file("out"), "--jobs", "2"},
    };
    for (const auto& args : cases) {
        const CliRun run = runCli(dir, args);
        EXPECT_EQ(run.status, 2) << args.back();
        EXPECT_TRUE(run.err.starts_with("quillon-cli: ")) << run.err;
        EXPECT_FALSE(fs::exists(dir.file("out")));
    }
}

}  // namespace
}  // namespace quillon::testing
