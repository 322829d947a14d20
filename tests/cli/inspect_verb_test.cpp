// Runs the built quillon-cli inspect on generated sources in a temporary program folder.
#include <gtest/gtest.h>

#include <string>

#include "common/file_io.h"
#include "support/cli_run.h"
#include "support/pbp_builder.h"
#include "support/temp_folder.h"

namespace quillon {
namespace {

using testing::CliRun;
using testing::TempFolder;

CliRun runCli(const TempFolder& dir, const std::string& source) { return testing::runCli(dir, {"inspect", source}); }

class InspectCliTest : public ::testing::Test {
protected:
    InspectCliTest() {
        dir.write("Files/gameInfo.txt", "SLUS-01234;x;USA;Some Game [Disc 1]\r\n");
        dir.write("Files/options.ini",
                  "[Options]\r\ndefOutputFolder=/out\r\ndefIcon1=/defaults/icon1.pmf\r\n"
                  "folderOption=1\r\n");
    }
    std::string path(const std::string& relative) const { return dir.nativeFile(relative); }

    TempFolder dir;
};

TEST_F(InspectCliTest, AnImagePrintsEveryFieldInOrder) {
    dir.write("Files/base.pbp", testing::buildContainer({.startPicture = testing::bytesOf("base")}));
    dir.write("Pics/pic1/SLUS01234.png", "library pic1");
    std::string image(70000, ' ');
    image.replace(4000, 10, "SLUS-01234");
    const std::string source = dir.write("game.iso", image);
    const CliRun run = runCli(dir, source);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "kind: image\n"
              "disc-id: SLUS01234\n"
              "title: Some Game [Disc 1]\n"
              "save-title: Some Game\n"
              "region: Game region: USA\n"
              "output: /out" +
                  std::string(1, kPathSeparator) +
                  "SLUS01234\n"
                  "icon0: \n"
                  "icon1: /defaults/icon1.pmf\n"
                  "pic0: \n"
                  "pic1: " +
                  path("Pics/pic1/SLUS01234.png") +
                  "\n"
                  "snd0: \n"
                  "warning: " +
                  path("warning.png") + "\n");
    EXPECT_EQ(testing::readFile(path("warning.png")), "base");
}

TEST_F(InspectCliTest, AContainerWritesItsArtworkLikeTheWindow) {
    const std::string source = dir.write("game.pbp", testing::buildContainer({}));
    const CliRun run = runCli(dir, source);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("kind: pbp\ndisc-id: SLUS01234\ntitle: Test Game\nsave-title: Test Save\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("icon0: " + path("Pics/icon0.png") + "\n"), std::string::npos);
    EXPECT_NE(run.out.find("warning: " + path("Pics/warning.png") + "\n"), std::string::npos);
    EXPECT_EQ(testing::readFile(path("Pics/snd0.at3")), "snd0 sound");
}

TEST_F(InspectCliTest, AMissingSourceAndADamagedContainer) {
    CliRun run = runCli(dir, path("not there/Foo.Bar.bin"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find("output:")),
              "kind: missing\ndisc-id: \ntitle: Foo.Bar\nsave-title: Foo.Bar\n"
              "region: Game region: [?]\n");

    const std::string damaged = dir.write("damaged.pbp", std::string("\0PBP", 4));
    run = runCli(dir, damaged);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("is damaged. Skipped: the PBP header."), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("kind: pbp\n"), std::string::npos);
}

}  // namespace
}  // namespace quillon
