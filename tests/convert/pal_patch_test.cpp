#include "convert/pal_patch.h"

#include "convert/conversion_fixture.h"
#include "source/image_index.h"
#include "support/packed_container.h"

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

TEST(PatchSummaryTest, SaysNoneOneOrTheNumberOfPlaces) {
    EXPECT_EQ(patchSummary(0), "Done. Did not find any code in iso to patch.");
    EXPECT_EQ(patchSummary(1), "Done. Patched iso in 1 place.");
    EXPECT_EQ(patchSummary(3), "Done. Patched iso in 3 places.");
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
        put(expected, position - dataPsar() + 0x50000, patchedInOutput ? patched(occurrence) : occurrence);
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
    putAt(imageStart(), kPattern1);                     // the image data's first byte
    putAt(imageStart() + 100000 - 8, kPattern2);        // its last 8 bytes
    putAt(imageStart() - 8, kPattern1, false);          // the end of the block index area
    putAt(dataPsar() + 0x4000 + 40, kPattern2, false);  // the block index area
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

// Image data in indexed blocks, as the popstation tool stores it: zeros (which deflate)
// with occurrences inside blocks and across the edges of blocks.
class IndexedPatchTest : public ConversionTest {
protected:
    IndexedPatchTest() { fields.setPalFix(true); }

    static Bytes imageWithOccurrences() {
        Bytes image(4 * kImageBlockSize, 0);
        put(image, 100, kPattern1);                      // inside block 0
        put(image, kImageBlockSize - 4, kPattern2);      // across blocks 0 and 1
        put(image, 2 * kImageBlockSize - 1, kPattern1);  // across blocks 1 and 2, one byte in 1
        put(image, 3 * kImageBlockSize - 7, kPattern2);  // across blocks 2 and 3, seven bytes in 3
        put(image, 4 * kImageBlockSize - 8, kPattern1);  // the last 8 bytes
        return image;
    }
    static Bytes patchedImage() {
        Bytes image = imageWithOccurrences();
        for (const std::size_t at : {std::size_t{100}, kImageBlockSize - 4, 2 * kImageBlockSize - 1,
                                     3 * kImageBlockSize - 7, 4 * kImageBlockSize - 8}) {
            image[at] = image[at + 4] = 0;
        }
        return image;
    }
    // Converts a container of `packed` and gives the output's image and index.
    Bytes convertPacked(const PackedImage& packed) {
        useSource(packedContainer(packed).build());
        convert();
        EXPECT_TRUE(host.messages.empty());
        return output();
    }
    static IndexEntry entryOf(const Bytes& container, std::size_t i) {
        return decodeIndexEntry(&container[dataPsarOf(container) + kIndexOffset + i * kIndexEntrySize]);
    }
};

TEST_F(IndexedPatchTest, EveryOccurrenceIsPatchedOnceWhateverTheLevel) {
    for (const int level : {0, 1, 9}) {
        SCOPED_TRACE(level);
        const PackedImage packed = packImage(imageWithOccurrences(), level);
        const Bytes out = convertPacked(packed);
        const Bytes expected = patchedImage();
        EXPECT_EQ(host.status(), "Done. Patched iso in 5 places.");
        EXPECT_EQ(decodedImage(out), expected);
        for (std::size_t i = 0; i < packed.index.size(); ++i) {
            const IndexEntry entry = entryOf(out, i);
            EXPECT_EQ(entry.isCompressed(), level > 0) << "block " << i << " keeps how it was stored";
            EXPECT_NE(entry.storedSize, level > 0 ? kImageBlockSize : 0u);
            EXPECT_EQ(entry.sha1Prefix,
                      blockChecksum(std::span(expected).subspan(i * kImageBlockSize, kImageBlockSize)));
        }
        const IndexEntry end = entryOf(out, packed.index.size());
        EXPECT_TRUE(end.isEnd());
        EXPECT_EQ(end.offset, entryOf(out, 3).offset + entryOf(out, 3).storedSize);
    }
}

TEST_F(IndexedPatchTest, StoredAndDeflatedBlocksSideBySideAndUnchangedBlocksAsTheyWere) {
    // Older containers hold stored blocks between deflated ones; block 4 has no code.
    Bytes image = imageWithOccurrences();
    image.resize(5 * kImageBlockSize, 0);
    const PackedImage packed = packBlocks(image, [](std::size_t block) { return block % 2 ? 9 : 0; });
    const Bytes out = convertPacked(packed);
    EXPECT_EQ(host.status(), "Done. Patched iso in 5 places.");
    Bytes expected = patchedImage();
    expected.resize(5 * kImageBlockSize, 0);
    EXPECT_EQ(decodedImage(out), expected);
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(entryOf(out, i).isCompressed(), i % 2 == 1) << i;
    const IndexEntry unchanged = entryOf(out, 4);
    const std::uint64_t data = dataPsarOf(out) + kImageDataOffset;
    EXPECT_TRUE(std::equal(packed.data.end() - unchanged.storedSize, packed.data.end(),
                           out.begin() + static_cast<std::ptrdiff_t>(data + unchanged.offset)));
    EXPECT_EQ(unchanged.sha1Prefix, packed.index[4].sha1Prefix);
}

// The blocks are patched in runs on all cores: occurrences across the edges of runs as
// well as inside them are each patched once.
TEST_F(IndexedPatchTest, OccurrencesAcrossTheEdgesOfRunsArePatchedOnce) {
    Bytes image(40 * kImageBlockSize, 0);
    const std::size_t places[] = {16 * kImageBlockSize - 3, 17 * kImageBlockSize - 1, 20 * kImageBlockSize + 50,
                                  32 * kImageBlockSize - 7, 40 * kImageBlockSize - 8};
    Bytes expected = image;
    for (const std::size_t at : places) {
        put(image, at, kPattern1);
        put(expected, at, kPattern1);
        expected[at] = expected[at + 4] = 0;
    }
    for (const int level : {0, 9}) {
        SCOPED_TRACE(level);
        const PackedImage packed = packImage(image, level);
        const Bytes out = convertPacked(packed);
        EXPECT_EQ(host.status(), "Done. Patched iso in 5 places.");
        EXPECT_EQ(decodedImage(out), expected);
        for (std::size_t i = 0; i < 40; ++i) {
            EXPECT_EQ(entryOf(out, i).sha1Prefix,
                      blockChecksum(std::span(expected).subspan(i * kImageBlockSize, kImageBlockSize)))
                << i;
        }
        EXPECT_EQ(entryOf(out, 5).storedSize, packed.index[5].storedSize);  // unchanged
    }
}

TEST_F(IndexedPatchTest, TheFirstBlockThatDoesNotInflateStopsThePatchWithoutOutput) {
    Bytes image = imageWithOccurrences();
    image.resize(40 * kImageBlockSize, 0);
    PackedImage packed = packImage(image, 9);
    for (const std::size_t block : {30, 18}) {
        std::fill_n(packed.data.begin() + packed.index[block].offset, 8, std::uint8_t{0xFF});
    }
    const std::string source = useSource(packedContainer(packed).build());
    convert();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "Cannot patch the disc image in \"" + source + "\". Its block 19 does not inflate to 37632 bytes.");
    EXPECT_EQ(outputFolderNames(), std::set<std::string>{});
}

// ---- containers of several discs ----

// The disc-image blocks of a container of several discs, from its disc table.
std::vector<std::uint64_t> discBlocksOf(const Bytes& container) {
    const std::uint64_t psar = dataPsarOf(container);
    std::vector<std::uint64_t> blocks;
    for (std::size_t i = 0; i < 5 && loadLe32(&container[psar + 0x200 + 4 * i]) != 0; ++i) {
        blocks.push_back(psar + loadLe32(&container[psar + 0x200 + 4 * i]));
    }
    return blocks;
}

// The image of the disc whose block starts at `block`.
Bytes discImage(const Bytes& container, std::uint64_t block) {
    Bytes image;
    for (std::size_t i = 0;; ++i) {
        const IndexEntry entry = decodeIndexEntry(&container[block + kIndexOffset + i * kIndexEntrySize]);
        if (entry.isEnd()) return image;
        const auto stored = std::span(container).subspan(block + kImageDataOffset + entry.offset, entry.storedSize);
        const auto decoded = loadBlock(stored, entry);
        if (!decoded) return {};
        image.insert(image.end(), decoded->begin(), decoded->end());
    }
}

TEST_F(IndexedPatchTest, EveryDiscOfSeveralIsFinishedAndPatchedAndKeepsItsOwnBlock) {
    Bytes second(2 * kImageBlockSize, 0);
    put(second, kImageBlockSize - 2, kPattern2);
    Bytes secondPatched = second;
    secondPatched[kImageBlockSize - 2] = secondPatched[kImageBlockSize + 2] = 0;
    const std::vector<PackedImage> discs{packImage(imageWithOccurrences(), 9), packImage(second, 9)};
    const Bytes source = severalDiscsContainer(discs);

    for (const bool palFix : {false, true}) {
        SCOPED_TRACE(palFix);
        fields.setPalFix(palFix);
        useSource(source);
        convert();
        ASSERT_TRUE(host.messages.empty()) << host.shown().front();
        EXPECT_EQ(host.status(), palFix ? "Done. Patched iso in 6 places." : "Done.");
        const Bytes out = output();
        const std::vector<std::uint64_t> blocks = discBlocksOf(out);
        ASSERT_EQ(blocks.size(), 2u);
        const std::vector<Bytes> images{palFix ? patchedImage() : imageWithOccurrences(),
                                        palFix ? secondPatched : second};
        for (std::size_t disc = 0; disc < 2; ++disc) {
            SCOPED_TRACE(disc);
            EXPECT_EQ((blocks[disc] - dataPsarOf(out)) % 0x8000, 0u);
            const ByteReader head(std::span<const std::uint8_t>(out).subspan(blocks[disc], kImageHeadSize));
            EXPECT_TRUE(head.matches(0, "PSISOIMG0000"));
            // Every disc takes the save ID and the save title.
            EXPECT_TRUE(head.matches(kDiscIdTextOffset, std::string("_SLUS_01234\0", 12)));
            EXPECT_TRUE(head.matches(kSaveTitleOffset, "New save title"));
            EXPECT_EQ(discImage(out, blocks[disc]), images[disc]);
        }
        // Unpatched, each disc's block is carried over byte for byte beyond its edited head.
        if (!palFix) {
            const std::vector<std::uint64_t> sourceBlocks = discBlocksOf(source);
            for (std::size_t disc = 0; disc < 2; ++disc) {
                const auto from = source.begin() + static_cast<std::ptrdiff_t>(sourceBlocks[disc] + kImageHeadSize);
                EXPECT_TRUE(std::equal(from, from + 0x100000 - static_cast<std::ptrdiff_t>(kImageHeadSize),
                                       out.begin() + static_cast<std::ptrdiff_t>(blocks[disc] + kImageHeadSize)));
            }
        }
        EXPECT_GT(positionOf(out, bytesOf("STARTDAT")), static_cast<std::int64_t>(blocks[1]));
    }
}

TEST_F(IndexedPatchTest, ADamagedIndexOfDeflatedBlocksIsRefusedWithoutOutput) {
    // An entry out of place, and an index that has lost its entries (its first one reads
    // as the end entry) over deflated blocks.
    PackedImage misplaced = packImage(imageWithOccurrences(), 9);
    misplaced.index[2].offset += 1;
    PackedImage emptied = packImage(imageWithOccurrences(), 9);
    emptied.index.clear();
    const std::vector<std::pair<PackedImage, std::string>> cases{
        {misplaced, "entry 3 gives offset"},
        {emptied, "it does not describe the image data, which is deflated."},
    };
    for (const auto& [packed, fault] : cases) {
        SCOPED_TRACE(fault);
        host.messages.clear();
        const std::string source = useSource(packedContainer(packed).build());
        convert();
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text.rfind(
                      "Cannot patch the disc image in \"" + source + "\". Its block index is damaged: " + fault, 0),
                  0u)
            << host.messages[0].text;
        EXPECT_EQ(outputFolderNames(), std::set<std::string>{});
    }
}

}  // namespace
}  // namespace quillon::testing
