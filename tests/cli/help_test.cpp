// The command line's help lists the sources it takes in the words it always has.
#include <gtest/gtest.h>

#include "support/cli_run.h"
#include "support/temp_folder.h"

namespace quillon::testing {
namespace {

TEST(HelpTest, TheFirstParagraphNamesTheSourcesAsItAlwaysHas) {
    TempFolder dir;
    const CliRun run = runCli(dir, {"--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(
        run.out.starts_with("Usage: quillon-cli [--program-folder DIR] VERB ...\n\n"
                            "Turns PlayStation disc images (.iso, .img, .bin, a .cue sheet of a disc's tracks, a .chd\n"
                            "CD image, or an .m3u playlist of a game's discs) into PSP EBOOT.PBP containers and back,\n"
                            "as the Quillon window does. Each run starts as a freshly started program: fields empty,\n"
                            "settings from Files/options.ini, game list from Files/gameInfo.txt.\n\nVerbs:\n"))
        << run.out;
}

}  // namespace
}  // namespace quillon::testing
