// quillon-cli convert on CHD files that chdman makes of generated discs: the container
// holds the same image and table of contents as the one made of the disc's BIN + CUE;
// a CHD whose data does not match its SHA-1, and an archive, leave no container.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/file_io.h"
#include "source/disc_toc.h"
#include "source/image_index.h"
#include "source/pbp.h"
#include "state/busy_state.h"
#include "support/cd_sectors.h"
#include "support/chdman.h"
#include "support/cli_run.h"
#include "support/packed_container.h"
#include "support/temp_folder.h"

namespace quillon::testing {
namespace {

class ConvertChdTest : public ::testing::Test {
protected:
    ConvertChdTest() { installPopstation(dir, kPopstationFileName); }

    CliRun convert(const std::string& source, const std::string& output, const std::string& level) const {
        return runCli(dir, {"convert", source, "--output", dir.file(output), "--title", "Game", "--save-title", "Game",
                            "--compression", level});
    }
    // The container in an output folder; empty when there is none.
    Bytes container(const std::string& output) const {
        const auto folder = dir.path() / output;
        if (!std::filesystem::exists(folder)) return {};
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            if (entry.path().filename() == kEbootName) return *readWholeFile(entry.path().string());
        }
        return {};
    }
    bool anyContainer() const {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
            if (entry.path().filename() == kEbootName) return true;
        }
        return false;
    }

    TempFolder dir;
};

// The table of contents of the container's disc-image block.
Bytes tocOf(const Bytes& container) {
    const std::uint64_t psar = TestContainer::dataPsarOf(container);
    return Bytes(container.begin() + static_cast<std::ptrdiff_t>(psar + kTocOffset),
                 container.begin() + static_cast<std::ptrdiff_t>(psar + kTocOffset + tocSize(3)));
}

TEST_F(ConvertChdTest, TheContainerOfAChdIsTheContainerOfItsCueSheet) {
    QUILLON_NEED_CHDMAN();
    const std::string cue = writeTestDisc(dir, "game", audioDisc());
    ASSERT_TRUE(makeChd(cue, dir.file("game.chd")));
    for (const std::string level : {"0", "9"}) {
        SCOPED_TRACE(level);
        const CliRun fromCue = convert(cue, "cue" + level, level);
        const CliRun fromChd = convert(dir.file("game.chd"), "chd" + level, level);
        ASSERT_EQ(fromCue.status, 0) << fromCue.err;
        ASSERT_EQ(fromChd.status, 0) << fromChd.err;
        EXPECT_EQ(fromChd.out, "Done.\n");
        const Bytes cueContainer = container("cue" + level);
        const Bytes chdContainer = container("chd" + level);
        ASSERT_FALSE(chdContainer.empty());
        const Bytes image = decodedImage(chdContainer);
        ASSERT_FALSE(image.empty());
        EXPECT_TRUE(image == decodedImage(cueContainer));
        EXPECT_TRUE(tocOf(chdContainer) == tocOf(cueContainer));
        // The disc ID comes from the first data track.
        EXPECT_NE(std::string(chdContainer.begin(), chdContainer.end()).find("SLUS01234"), std::string::npos);
    }
}

TEST_F(ConvertChdTest, InspectionFindsTheDiscIdInTheFirstDataTrack) {
    QUILLON_NEED_CHDMAN();
    ASSERT_TRUE(makeChd(writeTestDisc(dir, "game", audioDisc()), dir.file("game.chd")));
    const CliRun run = runCli(dir, {"inspect", dir.file("game.chd")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("kind: image\ndisc-id: SLUS01234\n"), std::string::npos) << run.out;
}

TEST_F(ConvertChdTest, AChdWhoseDataDoesNotMatchItsSha1LeavesNoContainer) {
    QUILLON_NEED_CHDMAN();
    const std::string chd = dir.file("game.chd");
    ASSERT_TRUE(makeChd(writeTestDisc(dir, "game", dataDisc()), chd, "cdzl"));
    Bytes file = *readWholeFile(chd);
    file[70] ^= 1;  // in the SHA-1 of the data
    dir.write("game.chd", file);
    const CliRun run = convert(chd, "out", "9");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("The CHD \"" + chd + "\" is damaged: its data does not match the SHA-1 in its header."),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(anyContainer());
}

TEST_F(ConvertChdTest, AnArchiveIsRefusedAndNothingIsWritten) {
    const std::string zip = dir.write("game.zip", std::string("PK\x03\x04", 4) + std::string(5000, 'z'));
    const CliRun run = convert(zip, "out", "9");
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find("\"" + zip + "\" is a ZIP archive, not a disc image: unpack the disc image from it first."),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(anyContainer());
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out"));
}

}  // namespace
}  // namespace quillon::testing
