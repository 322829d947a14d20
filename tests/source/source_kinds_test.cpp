// The table of source kinds: the kind a name tells, and the lists of accepted sources
// that the window's picker, the command line's help and the desktop file show.
#include "source/source_kinds.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace quillon {
namespace {

struct NamedKind {
    const char* path;
    SourceType kind;
};

class SourceKindTest : public ::testing::TestWithParam<NamedKind> {};

TEST_P(SourceKindTest, ComesFromTheExtensionInAnyLetterCase) {
    EXPECT_EQ(sourceTypeOf(GetParam().path), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SourceKindTest,
    ::testing::Values(NamedKind{"/g/a.ISO", SourceType::DiscImage}, NamedKind{"/g/a.img", SourceType::DiscImage},
                      NamedKind{"/g/a.Bin", SourceType::DiscImage}, NamedKind{"/g/a.cue", SourceType::CueSheet},
                      NamedKind{"/g/a.CHD", SourceType::Chd}, NamedKind{"/g/a.m3u", SourceType::Playlist},
                      NamedKind{"/g/a.M3U8", SourceType::Playlist}, NamedKind{"/g/a.pbp", SourceType::Pbp},
                      NamedKind{"/g/a.cue.bin", SourceType::DiscImage}, NamedKind{"/g.cue/a", SourceType::DiscImage},
                      NamedKind{"/g/a.raw", SourceType::DiscImage}));

TEST(SourceListsTest, ThePickerFilterIsTheWindowsOwn) {
    EXPECT_EQ(sourcePickerFilter(),
              "Supported Files|*.iso;*.img;*.bin;*.cue;*.chd;*.m3u;*.pbp|ISO Files|*.iso|IMG Files|*.img|"
              "BIN Files|*.bin|CUE Sheets|*.cue|CHD Images|*.chd|M3U Playlists|*.m3u|PBP Files|*.pbp");
}

TEST(SourceListsTest, TheHelpNamesTheDiscSourcesAsItAlwaysHas) {
    EXPECT_EQ(sourceKindsInWords(),
              ".iso, .img, .bin, a .cue sheet of a disc's tracks, a .chd CD image, or an .m3u playlist of a "
              "game's discs");
}

// The desktop file that the package installs claims the types of the table, in its order.
TEST(SourceListsTest, TheDesktopFileClaimsTheTablesTypes) {
    std::ifstream desktop(QUILLON_DESKTOP_FILE);
    ASSERT_TRUE(desktop.good()) << QUILLON_DESKTOP_FILE;
    std::string claimed;
    for (std::string line; std::getline(desktop, line);) {
        if (line.starts_with("MimeType=")) claimed = line.substr(9);
    }
    std::string types;
    for (const SourceFormat& format : sourceFormats()) {
        if (!format.mimeType.empty()) types += std::string(format.mimeType) + ";";
    }
    EXPECT_EQ(claimed, types);
}

}  // namespace
}  // namespace quillon
