// LibCrypt sidecars through quillon-cli convert: the SBI file beside a source goes beside the
// container under the name readers look for, a malformed one stops the conversion before
// anything is written, and no sidecar of an earlier game stays beside a new container.
#include <gtest/gtest.h>

#include <filesystem>

#include "source/image_index.h"
#include "state/busy_state.h"
#include "support/cli_run.h"
#include "support/temp_folder.h"

namespace quillon::testing {
namespace {

const std::string kSbi = std::string("SBI\0", 4) + std::string("\x03\x08\x05\x01", 4) + std::string(10, 'Q');

class SidecarTest : public ::testing::Test {
protected:
    SidecarTest() {
        installPopstation(dir, kPopstationFileName);
        std::filesystem::create_directories(dir.path() / "out");
    }
    std::string disc(const std::string& name) { return dir.write(name, std::string(3 * kImageBlockSize, 'D')); }
    CliRun convert(const std::string& source) {
        // Without settings the container goes straight into the output folder.
        return runCli(dir, {"convert", source, "--output", dir.file("out"), "--title", "Game", "--save-title", "Game",
                            "--id-prefix", "SLES", "--id-number", "99001"});
    }
    std::string out(const std::string& name) const { return readFile(dir.file("out/" + name)); }
    bool outHas(const std::string& name) const { return std::filesystem::exists(dir.path() / "out" / name); }

    TempFolder dir;
};

TEST_F(SidecarTest, TheImagesSidecarReplacesEveryEarlierOne) {
    dir.write("out/EBOOT.sbi", "earlier");
    dir.write("out/EBOOT_2.sbi", "earlier game's second disc");
    dir.write("game.sbi", kSbi);
    const CliRun run = convert(disc("game.bin"));
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(out("EBOOT.sbi"), kSbi);
    EXPECT_FALSE(outHas("EBOOT_2.sbi"));

    // Converted again without a sidecar: none stays.
    std::filesystem::remove(dir.path() / "game.sbi");
    ASSERT_EQ(convert(dir.file("game.bin")).status, 0);
    EXPECT_TRUE(outHas("EBOOT.PBP"));
    EXPECT_FALSE(outHas("EBOOT.sbi"));
}

TEST_F(SidecarTest, EachDiscOfAPlaylistTakesItsOwnNumber) {
    disc("one.bin");
    disc("two.bin");
    dir.write("two.sbi", kSbi);
    dir.write("game.m3u", "one.bin\ntwo.bin\n");
    const CliRun run = convert(dir.file("game.m3u"));
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(out("EBOOT_2.sbi"), kSbi);
    EXPECT_FALSE(outHas("EBOOT_1.sbi"));
    EXPECT_FALSE(outHas("EBOOT.sbi"));
}

TEST_F(SidecarTest, AFinishedContainerCarriesItsSourcesSidecars) {
    dir.write("game.sbi", kSbi);
    ASSERT_EQ(convert(disc("game.bin")).status, 0);
    std::filesystem::rename(dir.path() / "out/EBOOT.PBP", dir.path() / "GAME.PBP");
    std::filesystem::rename(dir.path() / "out/EBOOT.sbi", dir.path() / "GAME.sbi");
    const CliRun run = convert(dir.file("GAME.PBP"));
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(out("EBOOT.sbi"), kSbi);
}

TEST_F(SidecarTest, ExtractionTakesEachDiscsSidecarToItsImagesName) {
    disc("one.bin");
    disc("two.bin");
    dir.write("two.sbi", kSbi);
    dir.write("game.m3u", "one.bin\ntwo.bin\n");
    ASSERT_EQ(convert(dir.file("game.m3u")).status, 0);
    const CliRun run = runCli(dir, {"extract", dir.file("out/EBOOT.PBP"), dir.file("back.iso")});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(readFile(dir.file("back (Disc 2).sbi")), kSbi);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "back (Disc 1).iso"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "back (Disc 1).sbi"));
}

TEST_F(SidecarTest, AMalformedSidecarStopsTheConversionBeforeAnythingIsWritten) {
    dir.write("out/EBOOT.PBP", "earlier container");
    dir.write("game.sbi", "SBI\0 not records");
    const CliRun run = convert(disc("game.bin"));
    EXPECT_NE(run.status, 0);
    EXPECT_NE((run.out + run.err).find("The LibCrypt file \"" + dir.file("game.sbi") + "\" is damaged"),
              std::string::npos)
        << run.out << run.err;
    EXPECT_EQ(out("EBOOT.PBP"), "earlier container");
    EXPECT_FALSE(outHas("EBOOT.sbi"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Files" / "EBOOT.PBP"));
}

}  // namespace
}  // namespace quillon::testing
