#include "source/image_index.h"

#include <gtest/gtest.h>

#include "source/pbp.h"
#include "support/temp_folder.h"

namespace quillon {
namespace {

using quillon::testing::TempFolder;

struct EndEntry {
    std::uint32_t offset;
    std::uint16_t flags;
    bool accepted;
};

class IndexEndTest : public ::testing::TestWithParam<EndEntry> {};

// Three blocks stored in 0x9300 + 100 + 200 bytes, DATA.PSAR at the start of the file.
TEST_P(IndexEndTest, EndEntryOfSizeZeroClosesTheIndexAtTheEndOfTheBlocksOrAtZero) {
    const std::vector<std::uint16_t> sizes{static_cast<std::uint16_t>(kImageBlockSize), 100, 200};
    Bytes file(kImageDataOffset + kImageBlockSize + 300, 0);
    std::uint32_t offset = 0;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        IndexEntry entry;
        entry.offset = offset;
        entry.storedSize = sizes[i];
        encodeIndexEntry(entry, &file[kIndexOffset + i * kIndexEntrySize]);
        offset += sizes[i];
    }
    IndexEntry end = indexEndEntry(GetParam().offset);
    end.flags = GetParam().flags;
    encodeIndexEntry(end, &file[kIndexOffset + 3 * kIndexEntrySize]);
    TempFolder folder;
    auto container = InputFile::open(folder.write("c.pbp", file));
    ASSERT_TRUE(container.ok());

    const auto index = readBlockIndex(*container, 0, {kImageDataOffset, file.size()});
    ASSERT_TRUE(index.ok());
    EXPECT_EQ(index->valid(), GetParam().accepted);
    if (GetParam().accepted) {
        EXPECT_EQ(index->entries.size(), 3u);
    }
}

INSTANTIATE_TEST_SUITE_P(EndEntries, IndexEndTest,
                         ::testing::Values(EndEntry{0x9300 + 300, 0, true},  // the end of the blocks
                                           EndEntry{0, 0, true},             // older containers
                                           EndEntry{0x9300 + 300, 1, true},  // size 0 ends it whatever else
                                           EndEntry{0x9300 + 299, 0, false}, EndEntry{0x9300 + 301, 0, false}));

TEST(IndexEndTest, TheEndEntryHoldsOnlyItsOffset) {
    Bytes encoded(kIndexEntrySize, 0xEE);
    encodeIndexEntry(indexEndEntry(0x12345), encoded.data());
    Bytes expected(kIndexEntrySize, 0);
    storeLe32(expected.data(), 0x12345);
    EXPECT_EQ(encoded, expected);
}

}  // namespace
}  // namespace quillon
