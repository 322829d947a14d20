#include "convert/pal_patch.h"

#include "common/digest.h"
#include "convert/conversion_fixture.h"
#include "source/image_index.h"

namespace quillon::testing {
namespace {

const Bytes kPattern1{0x13, 0x00, 0x91, 0x24, 0x10, 0x00, 0x91, 0x24};
const Bytes kPattern2{0x13, 0x00, 0x90, 0x24, 0x10, 0x00, 0x90, 0x24};
const Bytes kMixed{0x13, 0x00, 0x91, 0x24, 0x10, 0x00, 0x90, 0x24};

Bytes patched(Bytes occurrence) {
    occurrence[0] = occurrence[4] = 0;
    return occurrence;
}

TEST(PatchOccurrencesTest, PatchesBothPatternsAtAnyByteButNotMixedOnes) {
    Bytes block = patternBytes(64);
    put(block, 3, kPattern1);
    put(block, 21, kPattern2);
    put(block, 40, kMixed);
    Bytes expected = block;
    put(expected, 3, patched(kPattern1));
    put(expected, 21, patched(kPattern2));
    EXPECT_EQ(patchOccurrences(block, 1000, 0, {-1, 5000}), 2);
    EXPECT_EQ(block, expected);
    EXPECT_EQ(patchOccurrences(block, 1000, 0, {-1, 5000}), 0);  // a patched one is no occurrence
}

TEST(PatchOccurrencesTest, OnlyStartsInsideTheWindowAndFromTheFirstStartOn) {
    Bytes block = patternBytes(40);
    put(block, 0, kPattern1);
    put(block, 10, kPattern1);
    put(block, 30, kPattern2);
    const Bytes original = block;
    // lowerBound < 100 + k < end: only the start at 10 lies inside.
    EXPECT_EQ(patchOccurrences(block, 100, 0, {100, 130}), 1);
    EXPECT_EQ(block[10], 0);
    EXPECT_EQ(block[0], 0x13);
    EXPECT_EQ(block[30], 0x13);
    block = original;
    EXPECT_EQ(patchOccurrences(block, 100, 1, {-1, 1000}), 2);  // the start at 0 is not examined
    EXPECT_EQ(block[0], 0x13);
}

TEST(PatchOccurrencesTest, BlocksShorterThanAPatternAreNotScanned) {
    Bytes block(kPattern1.begin(), kPattern1.begin() + 7);
    EXPECT_EQ(patchOccurrences(block, 0, 0, {-1, 100}), 0);
    EXPECT_EQ(block, Bytes(kPattern1.begin(), kPattern1.begin() + 7));
}

TEST(PatchSummaryTest, CountsFromMinusOne) {
    EXPECT_EQ(patchSummary(-1), "Done. Did not find any code in iso to patch.");
    EXPECT_EQ(patchSummary(0), "Done. Patched iso in 1 place.");
    EXPECT_EQ(patchSummary(2), "Done. Patched iso in 3 places.");
}

// Occurrences put at positions of the source container; the expected output has
// them patched at the same distance from its disc-image block.
class PatchedCopyTest : public ConversionTest {
protected:
    PatchedCopyTest() { fields.setPalFix(true); }

    void withImageData(std::size_t size) {
        parts.imageDataSize = size;
        source = build(parts);
        ContainerRecipe finishedParts = finished(parts);
        finishedParts.dataPsar = 0x50000;
        expected = build(finishedParts);
    }
    std::uint64_t dataPsar() const { return dataPsarOf(source); }
    // Source position of the first byte of copy block `block`.
    std::uint64_t blockStart(std::uint64_t block) const { return dataPsar() + 4780 + 65527 * block; }
    std::uint64_t imageStart() const { return dataPsar() + kImageDataOffset; }
    void putAt(std::uint64_t position, const Bytes& occurrence, bool patchedInOutput = true) {
        put(source, position, occurrence);
        put(expected, position - dataPsar() + 0x50000,
            patchedInOutput ? patched(occurrence) : occurrence);
    }
    void convertAndCheck(const std::string& summary) {
        const std::string path = useSource(source);
        convert();
        EXPECT_EQ(output(), expected);
        EXPECT_EQ(host.status(), summary);
        EXPECT_TRUE(host.messages.empty());
        EXPECT_EQ(fileBytes(path), source);
    }

    ContainerRecipe parts;
    Bytes source;
    Bytes expected;
};

TEST_F(PatchedCopyTest, OccurrencesAcrossBlockEdgesAndInTheOverlapArePatchedWholeAndCountedOnce) {
    withImageData(6 * 65535);
    ASSERT_GE(blockStart(17), imageStart() + 8);
    putAt(blockStart(17) - 4, kPattern1);  // across the edge of what block 16 writes
    putAt(blockStart(18), kPattern2);      // first byte of the overlap of blocks 17 and 18
    putAt(blockStart(19) + 3, kPattern1);  // in the overlap, across the end of block 18
    putAt(blockStart(21) - 1, kPattern2);  // all but its first byte in the overlap
    convertAndCheck("Done. Patched iso in 4 places.");
}

TEST_F(PatchedCopyTest, OccurrencesAroundTheEdgesOfTheCopysReadsArePatchedOnce) {
    // The copy reads 16 blocks at a time: blocks 16 and 32 begin new reads, and their
    // overlap with the block before comes from the read before, patched.
    withImageData(40 * 65535);
    putAt(blockStart(16) - 4, kPattern1);  // across the edge, inside block 15
    putAt(blockStart(16) + 4, kPattern2);  // starts in the carried overlap of block 16
    putAt(blockStart(32) - 8, kPattern1);  // ends where block 32 starts
    putAt(blockStart(32) + 7, kPattern2);  // starts on the carried overlap's last byte
    putAt(blockStart(33), kPattern1);
    convertAndCheck("Done. Patched iso in 5 places.");
}

TEST_F(PatchedCopyTest, WindowIsTheImageDataUpToTheStartScreenBlock) {
    withImageData(100000);
    putAt(imageStart(), kPattern1);                // the image data's first byte
    putAt(imageStart() + 100000 - 8, kPattern2);   // its last 8 bytes
    putAt(imageStart() - 8, kPattern1, false);     // the end of the block index area
    putAt(dataPsar() + 0x4000, kPattern2, false);  // the block index area
    convertAndCheck("Done. Patched iso in 2 places.");
}

TEST_F(PatchedCopyTest, ImageEndingWithAnOverlapOnlyBlockKeepsItsPatchedBytes) {
    // The image data ends 8 bytes after what block 17 writes: the last block is the
    // carried overlap alone, which holds a patched occurrence.
    withImageData(0);
    withImageData(blockStart(18) + 8 - imageStart());
    putAt(blockStart(18), kPattern1);
    putAt(blockStart(18) - 9, kPattern2);
    convertAndCheck("Done. Patched iso in 2 places.");
}

TEST_F(PatchedCopyTest, ImageWithoutCodeIsCopiedUnchanged) {
    withImageData(70000);
    putAt(imageStart() + 500, kMixed, false);
    convertAndCheck("Done. Did not find any code in iso to patch.");
}

TEST_F(PatchedCopyTest, OneOccurrenceGivesOnePlace) {
    withImageData(70000);
    putAt(imageStart() + 12345, kPattern2);
    convertAndCheck("Done. Patched iso in 1 place.");
}

TEST_F(PatchedCopyTest, PumpsOncePerBlockAndAnAbortLeavesNoSummary) {
    withImageData(200000);
    useSource(source);
    convert();
    const std::uint64_t length = kImageDataOffset - 4780 + 200000;
    EXPECT_EQ(host.pumps, static_cast<int>((length - 8) / 65527 + 1));

    abortAtPump(host.pumps + 5);
    convert();
    EXPECT_EQ(host.status(), "User aborted.");
    EXPECT_EQ(output(), expected);  // the earlier output stays
    EXPECT_EQ(outputFolderNames(), std::set<std::string>{"EBOOT.PBP"});
}

// Image data in indexed blocks, as the popstation tool stores it: block 0 stored as it
// is, block 1 deflated (its stored bytes stand in for a deflate stream), block 2 stored.
class IndexedPatchTest : public ConversionTest {
protected:
    IndexedPatchTest() { fields.setPalFix(true); }

    static constexpr std::uint16_t kDeflatedSize = 0x1000;

    void SetUp() override {
        imageData = patternBytes(2 * kImageBlockSize + kDeflatedSize);
        index = {entry(0, kImageBlockSize), entry(kImageBlockSize, kDeflatedSize),
                 entry(kImageBlockSize + kDeflatedSize, kImageBlockSize)};
    }
    static IndexEntry entry(std::uint32_t offset, std::uint16_t size) {
        IndexEntry e;
        e.offset = offset;
        e.storedSize = size;
        return e;
    }
    // The container with the image data and the index, each entry's checksum that of its
    // stored bytes.
    Bytes container() {
        ContainerRecipe parts;
        parts.imageDataSize = imageData.size();
        Bytes file = buildContainer(parts);
        const std::uint32_t psar = dataPsarOf(file);
        put(file, psar + kImageDataOffset, imageData);
        for (std::size_t i = 0; i < index.size(); ++i) {
            const auto stored = std::span(imageData).subspan(index[i].offset, index[i].storedSize);
            const Sha1 digest = sha1(stored);
            std::copy_n(digest.begin(), 16, index[i].sha1Prefix.begin());
            encodeIndexEntry(index[i], &file[psar + kIndexOffset + i * kIndexEntrySize]);
        }
        return file;
    }
    Bytes outputImageData() const {
        const Bytes out = output();
        const std::uint32_t psar = dataPsarOf(out);
        return Bytes(out.begin() + psar + kImageDataOffset,
                     out.begin() + psar + kImageDataOffset + static_cast<std::ptrdiff_t>(imageData.size()));
    }
    IndexEntry outputEntry(std::size_t i) const {
        const Bytes out = output();
        return decodeIndexEntry(&out[dataPsarOf(out) + kIndexOffset + i * kIndexEntrySize]);
    }

    Bytes imageData;
    std::vector<IndexEntry> index;
};

TEST_F(IndexedPatchTest, DeflatedBlocksAreLeftAloneAndPatchedBlocksGetTheirNewChecksum) {
    put(imageData, 100, kPattern1);                               // in stored block 0
    put(imageData, kImageBlockSize + 100, kPattern2);             // in the deflated block
    put(imageData, kImageBlockSize - 4, kPattern1);               // across blocks 0 and 1
    put(imageData, kImageBlockSize + kDeflatedSize + 8, kPattern2);  // in stored block 2
    useSource(container());
    convert();
    EXPECT_EQ(host.status(), "Done. Patched iso in 2 places.");

    Bytes expected = imageData;
    put(expected, 100, patched(kPattern1));
    put(expected, kImageBlockSize + kDeflatedSize + 8, patched(kPattern2));
    EXPECT_EQ(outputImageData(), expected);
    for (std::size_t i = 0; i < index.size(); ++i) {
        const auto stored = std::span(expected).subspan(index[i].offset, index[i].storedSize);
        const Sha1 digest = sha1(stored);
        EXPECT_TRUE(std::equal(digest.begin(), digest.begin() + 16, outputEntry(i).sha1Prefix.begin()))
            << "block " << i;
        EXPECT_EQ(outputEntry(i).offset, index[i].offset);
    }
}

}  // namespace
}  // namespace quillon::testing
