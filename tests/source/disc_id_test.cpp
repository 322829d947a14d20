#include "source/disc_id.h"

#include <gtest/gtest.h>

#include "common/bytes.h"

namespace quillon {
namespace {

// Disc-image head bytes: `text` at `position` in `size` bytes (at least enough for it).
Bytes imageHead(std::string_view text, std::size_t position = 100, std::size_t size = 0) {
    Bytes head(std::max(size, position + text.size()), 0);
    std::copy(text.begin(), text.end(), head.begin() + position);
    return head;
}

std::optional<std::string> scan(std::string_view text, std::size_t position = 100, std::size_t size = 1000) {
    return scanDiscId(imageHead(text, position, size));
}

TEST(DiscIdScanTest, SeparatorsAreSkippedWithinSixteenBytes) {
    EXPECT_EQ(scan("SLUS_012.34"), "SLUS01234");
    EXPECT_EQ(scan("SLUS-01234"), "SLUS01234");
    EXPECT_EQ(scan("SCES_123.45;1"), "SCES12345");
    EXPECT_EQ(scan("PBPX-12345"), "PBPX12345");
    EXPECT_EQ(scan("SLPM_123.45"), "SLPM12345");
    EXPECT_EQ(scan("SCPSABCDEFGHIJ"), "SCPSABCDE");  // the number is not checked
}

TEST(DiscIdScanTest, OnlyTheTenUpperCasePrefixesCountAndTheFirstWins) {
    for (const std::string_view prefix : kKnownIdPrefixes) {
        EXPECT_EQ(scan(std::string(prefix) + "_999.99"), std::string(prefix) + "99999");
    }
    EXPECT_EQ(scan("slus_012.34"), std::nullopt);
    EXPECT_EQ(scan("SLUX_012.34"), std::nullopt);
    EXPECT_EQ(scan("SLES_111.11 SCUS_222.22"), "SLES11111");
    EXPECT_EQ(scan("SCUS_222.22 SLES_111.11"), "SCUS22222");
}

TEST(DiscIdScanTest, ShortIdsAndShortImages) {
    // Fewer than five usable characters within the 16 bytes.
    EXPECT_EQ(scan("SLUS-._-._-._-12345"), "SLUS12");
    // The last start position is 15 bytes before the end; the window is cut there.
    EXPECT_EQ(scan("SLUS_012.34", 0, 15), "SLUS01234");
    EXPECT_EQ(scan("SLUS-._-._-._-1", 1, 16), "SLUS1");
    EXPECT_EQ(scan("SLUS_012.34", 2, 16), std::nullopt);
    EXPECT_EQ(scan("SLUS_012.34", 0, 14), std::nullopt);
    EXPECT_EQ(scanDiscId({}), std::nullopt);
}

TEST(DiscIdTest, LookupKeyPrefixAndNumber) {
    EXPECT_EQ(lookupKey("SLUS01234"), "SLUS-01234");
    EXPECT_EQ(idPrefixOf("SLUS01234"), "SLUS");
    EXPECT_EQ(idNumberOf("SLUS01234"), "01234");
    EXPECT_EQ(lookupKey("SLUS12"), "SLUS-12");
    EXPECT_EQ(lookupKey("SL"), "SL-");
    EXPECT_EQ(lookupKey("SLUS0123456"), "SLUS-01234");
}

TEST(DiscIdTest, SaveTitleEndsAtAZeroOr128BytesOrTheBuffer) {
    constexpr std::size_t kBlock = 10;
    constexpr std::size_t kTitle = kBlock + 0x122C;
    EXPECT_EQ(readSaveTitle(imageHead(std::string("My Save\0rest", 12), kTitle, kTitle + 200), kBlock), "My Save");
    EXPECT_EQ(readSaveTitle(imageHead(std::string(130, 'S'), kTitle), kBlock), std::string(128, 'S'));
    EXPECT_EQ(readSaveTitle(imageHead("Cut", kTitle), kBlock), "Cut");
    EXPECT_EQ(readSaveTitle(imageHead("Cut", kTitle), kTitle), "");
    EXPECT_EQ(readSaveTitle({}, ~std::uint64_t{0}), "");
}

TEST(DiscIdTest, RegionLabel) {
    EXPECT_EQ(regionLabel("Europe"), "Game region: Europe");
    EXPECT_EQ(regionLabel(""), "Game region: ");
    EXPECT_STREQ(kUnknownRegionLabel, "Game region: [?]");
}

}  // namespace
}  // namespace quillon
