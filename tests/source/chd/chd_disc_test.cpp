// CHDs that Debian's chdman makes from generated discs read back as the discs their cue
// sheets describe, sector for sector, with every codec; damaged ones are refused.
#include <gtest/gtest.h>

#include "source/disc_image.h"
#include "support/cd_sectors.h"
#include "support/chdman.h"
#include "support/temp_folder.h"

namespace quillon::testing {
namespace {

Bytes wholeImage(DiscImage& image) {
    Bytes bytes(static_cast<std::size_t>(image.size()));
    EXPECT_TRUE(image.readExactAt(0, bytes).ok());
    return bytes;
}

struct ChdCase {
    const char* name;
    std::vector<TestTrack> (*disc)();
    const char* codecs;
    const char* more = "";  // further options of chdman
};

class ChdDiscTest : public ::testing::TestWithParam<ChdCase> {};

TEST_P(ChdDiscTest, ReadsAsTheDiscOfItsCueSheet) {
    QUILLON_NEED_CHDMAN();
    TempFolder dir;
    const std::string cue = writeTestDisc(dir, "game", GetParam().disc());
    const std::string chd = dir.file("game.chd");
    ASSERT_TRUE(makeChd(cue, chd, GetParam().codecs, GetParam().more));
    auto fromCue = DiscImage::open(cue);
    auto fromChd = DiscImage::open(chd);
    ASSERT_TRUE(fromCue.ok()) << fromCue.error().message;
    ASSERT_TRUE(fromChd.ok()) << fromChd.error().message;
    EXPECT_EQ(fromChd->size(), fromCue->size());
    EXPECT_EQ(fromChd->tracks(), fromCue->tracks());
    EXPECT_TRUE(wholeImage(*fromChd) == wholeImage(*fromCue));
    const Status checked = fromChd->checkAfterReadingAll();
    EXPECT_TRUE(checked.ok()) << checked.error().message;
}

INSTANTIATE_TEST_SUITE_P(Codecs, ChdDiscTest,
                         ::testing::Values(ChdCase{"DataCdlz", dataDisc, "cdlz"}, ChdCase{"DataCdzl", dataDisc, "cdzl"},
                                           ChdCase{"DataCdfl", dataDisc, "cdfl"}, ChdCase{"AudioCdlz", audioDisc, "cdlz"},
                                           ChdCase{"AudioCdzl", audioDisc, "cdzl"},
                                           ChdCase{"AudioCdfl", audioDisc, "cdfl"},
                                           ChdCase{"AudioDefault", audioDisc, ""},
                                           ChdCase{"Mode1Default", mode1Disc, ""},
                                           ChdCase{"AudioUncompressed", audioDisc, "none"},
                                           // Hunks of one frame: some hold padding alone.
                                           ChdCase{"AudioOneFrameHunks", audioDisc, "", "-hs 2448"},
                                           // Hunks of 64 KiB and more give their base length in 3 bytes.
                                           ChdCase{"AudioLargeHunks", audioDisc, "", "-hs 78336"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillon::testing
