#include "convert/pal_patch.h"

#include "convert/conversion_fixture.h"

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
        ContainerSpec finishedParts = finished(parts);
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

    ContainerSpec parts;
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

}  // namespace
}  // namespace quillon::testing
