#include "source/multi_disc.h"

#include <gtest/gtest.h>

#include "source/pbp.h"
#include "support/temp_folder.h"

namespace quillon {
namespace {

using quillon::testing::TempFolder;

constexpr std::uint64_t kPsar = 0x100;

// A file with DATA.PSAR at 0x100 holding the disc table `offsets` and a disc-image
// marker at each of `blocks` (offsets from DATA.PSAR), `size` bytes long.
std::string writeContainer(const TempFolder& folder, const std::vector<std::uint32_t>& offsets,
                           const std::vector<std::uint32_t>& blocks, std::size_t size) {
    Bytes file(size, 0);
    ByteWriter writer(file);
    writer.putBytes(kPsar, asBytes(kTitleImageMarker));
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        writer.putLe32(kPsar + kDiscTableOffset + 4 * i, offsets[i]);
    }
    for (const std::uint32_t block : blocks) {
        writer.putBytes(kPsar + block, asBytes("PSISOIMG0000"));
    }
    return folder.write("multi.pbp", file);
}

TEST(DiscTableTest, GivesTheBlockOfEachDiscUpToTheFirstZero) {
    TempFolder folder;
    const auto path =
        writeContainer(folder, {0x8000, 0x10000, 0, 0x18000}, {0x8000, 0x10000, 0x18000}, 0x20000);
    auto file = InputFile::open(path);
    ASSERT_TRUE(file.ok());
    std::array<std::uint8_t, 16> head{};
    ASSERT_TRUE(file->readExactAt(kPsar, head).ok());
    EXPECT_TRUE(hasTitleImageMarker(head));
    const auto discs = readDiscTable(*file, kPsar);
    ASSERT_TRUE(discs.ok()) << discs.error().message;
    EXPECT_EQ(*discs, (std::vector<std::uint64_t>{kPsar + 0x8000, kPsar + 0x10000}));
}

struct TableFault {
    std::vector<std::uint32_t> offsets;
    std::size_t size;
    const char* what;
};

class DiscTableFaultTest : public ::testing::TestWithParam<TableFault> {};

TEST_P(DiscTableFaultTest, IsRefusedNamingTheFile) {
    TempFolder folder;
    const auto path =
        writeContainer(folder, GetParam().offsets, {0x8000, 0x10000}, GetParam().size);
    auto file = InputFile::open(path);
    ASSERT_TRUE(file.ok());
    const auto discs = readDiscTable(*file, kPsar);
    ASSERT_FALSE(discs.ok());
    EXPECT_EQ(discs.error().message,
              "The disc table of \"" + path + "\" is damaged: " + GetParam().what + ".");
}

INSTANTIATE_TEST_SUITE_P(
    Tables, DiscTableFaultTest,
    ::testing::Values(
        TableFault{{}, 0x20000, "it names no disc"},
        TableFault{{0x10000, 0x8000}, 0x20000, "disc 2 does not come after the disc before it"},
        TableFault{{0x8000, 0x8000}, 0x20000, "disc 2 does not come after the disc before it"},
        TableFault{{0x8000, 0x30000}, 0x20000, "disc 2 lies past the end of the file"},
        TableFault{{0x8000, 0x10000 - 0x100 - 4}, 0x10000, "disc 2 lies past the end of the file"},
        TableFault{{0x9000}, 0x20000, "disc 1 does not start with a disc-image block"},
        TableFault{{0x8000}, kPsar + kDiscTableOffset + 12, "the file ends inside it"}));

}  // namespace
}  // namespace quillon
