#include "convert/pal_patch.h"

#include "convert/conversion_fixture.h"

namespace quillon::testing {
namespace {

const Bytes kPattern1{0x13, 0x00, 0x91, 0x24, 0x10, 0x00, 0x91, 0x24};
const Bytes kPattern2{0x13, 0x00, 0x90, 0x24, 0x10, 0x00, 0x90, 0x24};
const Bytes kMixed{0x13, 0x00, 0x91, 0x24, 0x10, 0x00, 0x90, 0x24};

void put(Bytes& bytes, std::size_t at, const Bytes& what) {
    std::copy(what.begin(), what.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}
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

class PatchedCopyTest : public ConversionTest {
protected:
    PatchedCopyTest() { fields.setPalFix(true); }

    // Source position of the first byte of copy block `block`.
    std::uint64_t blockStart(std::uint64_t block) const {
        return source.dataPsar + 4780 + 65527 * block;
    }
    // Index in the image data of a source position.
    std::size_t imageIndex(std::uint64_t position) const {
        return static_cast<std::size_t>(position - source.dataPsar - kImageDataOffset);
    }
    void putAt(std::uint64_t position, const Bytes& occurrence) {
        put(source.imageData, imageIndex(position), occurrence);
        put(expectedImage, imageIndex(position), patched(occurrence));
    }
    void convertAndCheck(const std::string& summary) {
        useSource(source);
        convert();
        ContainerParts expected = finished(source);
        expected.imageData = expectedImage;
        EXPECT_EQ(output(), buildContainer(expected));
        EXPECT_EQ(host.status(), summary);
        EXPECT_TRUE(host.messages.empty());
    }

    ContainerParts source;
    Bytes expectedImage;
};

TEST_F(PatchedCopyTest, OccurrencesAcrossBlockEdgesAndInTheOverlapArePatchedWholeAndCountedOnce) {
    source.imageData = patternBytes(6 * 65535, 5);
    expectedImage = source.imageData;
    // Block 16 is the first that lies wholly in the image data.
    putAt(blockStart(17) - 4, kPattern1);  // across the edge of what block 16 writes
    putAt(blockStart(18), kPattern2);      // first byte of the overlap of blocks 17 and 18
    putAt(blockStart(19) + 3, kPattern1);  // in the overlap, across the end of block 18
    putAt(blockStart(21) - 1, kPattern2);  // all but its first byte in the overlap
    convertAndCheck("Done. Patched iso in 4 places.");
}

TEST_F(PatchedCopyTest, WindowIsTheImageDataUpToTheStartScreenBlock) {
    source.imageData = patternBytes(100000, 5);
    expectedImage = source.imageData;
    putAt(source.dataPsar + kImageDataOffset, kPattern1);  // the image data's first byte
    putAt(source.dataPsar + kImageDataOffset + 100000 - 8, kPattern2);  // its last 8 bytes
    convertAndCheck("Done. Patched iso in 2 places.");
}

TEST_F(PatchedCopyTest, HeadOfTheDiscImageBlockIsNotPatched) {
    useSource(source);
    Bytes withCode = buildContainer(source);
    put(withCode, source.dataPsar + 0x4000, kPattern1);  // the block index area
    dir.write("game.pbp", withCode);
    convert();
    EXPECT_EQ(host.status(), "Done. Did not find any code in iso to patch.");
    ContainerParts expected = finished(source);
    Bytes expectedFile = buildContainer(expected);
    put(expectedFile, expected.dataPsar + 0x4000, kPattern1);
    EXPECT_EQ(output(), expectedFile);
}

TEST_F(PatchedCopyTest, ImageEndingWithAnOverlapOnlyBlockKeepsItsPatchedBytes) {
    // The image data ends 8 bytes after what block 17 writes: the last block is the
    // carried overlap alone, which holds a patched occurrence.
    const std::uint64_t end = blockStart(18) + 8;
    source.imageData = patternBytes(imageIndex(end), 5);
    expectedImage = source.imageData;
    putAt(end - 8, kPattern1);
    putAt(end - 17, kPattern2);
    convertAndCheck("Done. Patched iso in 2 places.");
}

TEST_F(PatchedCopyTest, OneOccurrenceGivesOnePlaceAndTheSourceStays) {
    source.imageData = patternBytes(70000, 5);
    expectedImage = source.imageData;
    putAt(source.dataPsar + kImageDataOffset + 12345, kPattern2);
    const std::string path = dir.file("game.pbp");
    convertAndCheck("Done. Patched iso in 1 place.");
    EXPECT_EQ(fileBytes(path), buildContainer(source));
}

TEST_F(PatchedCopyTest, PumpsOncePerBlockAndStopsOnAbortWithoutSummary) {
    source.imageData = patternBytes(200000, 5);
    useSource(source);
    convert();
    const std::uint64_t length = kImageDataOffset - 4780 + 200000;
    EXPECT_EQ(host.pumps, static_cast<int>((length - 8) / 65527 + 1));

    abortAtPump(host.pumps + 5);
    convert();
    EXPECT_EQ(host.status(), "User aborted.");
    EXPECT_EQ(output(), buildContainer(finished(source)));  // the earlier output stays
    EXPECT_EQ(outputFolderNames(), std::set<std::string>{"EBOOT.PBP"});
}

}  // namespace
}  // namespace quillon::testing
