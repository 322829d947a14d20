// quillon-cli with the real popstation tool, stopped from outside while the tool packs:
// by a request to end (SIGTERM), which acts as the "Abort" button, and by SIGKILL,
// which the tool outlives only as long as it takes to stop. Either way no tool keeps
// running and no container is left. And a source whose name is no UTF-8 reaches the
// tool as it is.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "common/file_io.h"
#include "state/busy_state.h"
#include "support/cli_run.h"
#include "support/temp_folder.h"

namespace quillon::testing {
namespace {

using namespace std::chrono_literals;

class StoppingTest : public ::testing::Test {
protected:
    StoppingTest() {
        installPopstation(dir, kPopstationFileName);
        // Noise deflates slowly at level 9: the tool packs for a while.
        Bytes image(96 * 1024 * 1024);
        std::uint32_t noise = 7;
        for (std::uint8_t& byte : image) {
            noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
            byte = static_cast<std::uint8_t>(noise);
        }
        source = dir.write("big.bin", image);
    }
    pid_t startConversion() {
        return startCli(dir, {"convert", source, "--output", dir.file("out"), "--compression", "9", "--title", "Big",
                              "--id-prefix", "SLUS", "--id-number", "00001"});
    }
    // Waits until the tool has begun to write its container.
    bool toolIsPacking() const {
        for (int i = 0; i < 1000; ++i) {
            if (readFile(dir.file("Files/info.txt")).find("Writing") != std::string::npos) return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
    bool toolEnds() const {
        for (int i = 0; i < 500 && !processesRunning(tool()).empty(); ++i) std::this_thread::sleep_for(10ms);
        return processesRunning(tool()).empty();
    }
    std::string tool() const { return dir.file(std::string("Files/") + kPopstationFileName); }
    // What a conversion may leave in a folder: containers and temporary files.
    static std::vector<std::string> leftovers(const std::filesystem::path& folder) {
        std::vector<std::string> found;
        if (!std::filesystem::exists(folder)) return found;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (name.find("EBOOT") != std::string::npos || name.ends_with(".part")) found.push_back(name);
        }
        return found;
    }

    TempFolder dir;
    std::string source;
};

TEST_F(StoppingTest, ARequestToEndStopsTheConversionAndTheTool) {
    const pid_t cli = startConversion();
    ASSERT_TRUE(toolIsPacking());
    ::kill(cli, SIGTERM);
    EXPECT_EQ(waitForExit(cli), 143);
    EXPECT_EQ(readFile(dir.file("stdout.txt")), "User aborted.\n");
    EXPECT_TRUE(toolEnds());
    EXPECT_EQ(leftovers(dir.path() / "Files"), std::vector<std::string>{});
    EXPECT_EQ(leftovers(dir.path() / "out"), std::vector<std::string>{});
}

TEST_F(StoppingTest, AKilledProgramTakesTheToolWithIt) {
    const pid_t cli = startConversion();
    ASSERT_TRUE(toolIsPacking());
    ::kill(cli, SIGKILL);
    EXPECT_EQ(waitForExit(cli), 128 + SIGKILL);
    EXPECT_TRUE(toolEnds());
    EXPECT_EQ(leftovers(dir.path() / "Files"), std::vector<std::string>{});
}

TEST(OddNamesTest, ASourceNameThatIsNoUtf8ReachesTheToolAsItIs) {
    TempFolder dir;
    installPopstation(dir, kPopstationFileName);
    const std::string source = dir.write("\xff game.bin", std::string(100000, 'x'));
    const CliRun run =
        runCli(dir, {"convert", source, "--output", dir.file("out"), "--id-prefix", "SLUS", "--id-number", "00001"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(isFile(dir.file("out/EBOOT.PBP")));
}

}  // namespace
}  // namespace quillon::testing
