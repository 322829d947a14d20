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

// Disc-image blocks one head (0x100000 bytes) apart, the first at 0x8000 from DATA.PSAR.
constexpr std::uint32_t kFirst = 0x8000;
constexpr std::uint32_t kSecond = kFirst + kImageDataOffset;
constexpr std::uint32_t kThird = kSecond + kImageDataOffset;

TEST(DiscTableTest, GivesTheBlockOfEachDiscUpToTheFirstZero) {
    TempFolder folder;
    const auto path = writeContainer(folder, {kFirst, kSecond, 0, kThird}, {kFirst, kSecond, kThird}, kThird + 0x8000);
    auto file = InputFile::open(path);
    ASSERT_TRUE(file.ok());
    std::array<std::uint8_t, 16> head{};
    ASSERT_TRUE(file->readExactAt(kPsar, head).ok());
    EXPECT_TRUE(hasTitleImageMarker(head));
    const auto discs = readDiscTable(*file, kPsar);
    ASSERT_TRUE(discs.ok()) << discs.error().message;
    EXPECT_EQ(*discs, (std::vector<std::uint64_t>{kPsar + kFirst, kPsar + kSecond}));
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
        writeContainer(folder, GetParam().offsets, {0x300, kFirst, kFirst + 0x10000, kSecond}, GetParam().size);
    auto file = InputFile::open(path);
    ASSERT_TRUE(file.ok());
    const auto discs = readDiscTable(*file, kPsar);
    ASSERT_FALSE(discs.ok());
    EXPECT_EQ(discs.error().message, "The disc table of \"" + path + "\" is damaged: " + GetParam().what + ".");
}

constexpr std::size_t kTwoDiscs = kThird;

INSTANTIATE_TEST_SUITE_P(
    Tables, DiscTableFaultTest,
    ::testing::Values(TableFault{{}, kTwoDiscs, "it names no disc"},
                      TableFault{{0x200}, kTwoDiscs, "disc 1 does not come after the disc table"},
                      TableFault{{kSecond, kFirst}, kTwoDiscs, "disc 2 does not come after the disc before it"},
                      TableFault{{kFirst, kFirst}, kTwoDiscs, "disc 2 does not come after the disc before it"},
                      TableFault{{kFirst, kFirst + 0x10000}, kTwoDiscs, "disc 2 starts inside the disc before it"},
                      TableFault{{0x300, kFirst}, kTwoDiscs, "disc 2 starts inside the disc before it"},
                      TableFault{{kFirst, kThird + 0x100000}, kTwoDiscs, "disc 2 lies past the end of the file"},
                      TableFault{{kFirst, kSecond}, kSecond + 4, "disc 2 lies past the end of the file"},
                      TableFault{{kFirst + 0x1000}, kTwoDiscs, "disc 1 does not start with a disc-image block"},
                      TableFault{{kFirst}, kPsar + kDiscTableOffset + 12, "the file ends inside it"}));

TEST(DiscTableTest, ADiscThatStartsInsideTheBlocksOfTheDiscBeforeItIsRefused) {
    // Disc 1's index names two blocks of 0x8000 bytes each.
    for (const std::uint32_t second : {kSecond + 0x10000, kSecond + 0x10000 - 1}) {
        SCOPED_TRACE(second);
        TempFolder folder;
        const auto path = writeContainer(folder, {kFirst, second}, {kFirst, second}, second + 0x8000);
        Bytes file = *readWholeFile(path);
        for (std::uint32_t i = 0; i < 2; ++i) {
            IndexEntry entry;
            entry.offset = i * 0x8000;
            entry.storedSize = 0x8000;
            encodeIndexEntry(entry, &file[kPsar + kFirst + kIndexOffset + i * kIndexEntrySize]);
        }
        folder.write("multi.pbp", file);
        auto container = InputFile::open(path);
        ASSERT_TRUE(container.ok());

        const auto discs = findDiscBlocks(*container, kPsar);

        if (second == kSecond + 0x10000) {
            ASSERT_TRUE(discs.ok()) << discs.error().message;
            EXPECT_EQ(discs->value().size(), 2u);
        } else {
            ASSERT_FALSE(discs.ok());
            EXPECT_EQ(discs.error().message,
                      "The disc table of \"" + path + "\" is damaged: disc 2 starts inside the disc before it.");
        }
    }
}

}  // namespace
}  // namespace quillon
