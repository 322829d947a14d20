#include "extract/extract_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "common/file_io.h"
#include "common/file_system.h"
#include "source/cue_sheet_disc.h"
#include "state/fields.h"
#include "support/disc_set.h"
#include "support/packed_container.h"
#include "support/recording.h"
#include "support/temp_folder.h"

namespace quillon {
namespace {

using testing::packImage;
using testing::paddedImage;
using testing::randomBytes;
using testing::readFile;
using testing::TempFolder;
using testing::TestContainer;

// The main window as the extraction sees it: besides the messages and status texts,
// every pump, busy change and question recorded, the save dialog and the replace
// question answered from the test.
struct ExtractionHost : testing::RecordingHost {
    void pump() override {
        ++pumps;
        if (onPump) onPump(pumps);
    }
    void enterBusy(Operation operation) override {
        EXPECT_EQ(operation, Operation::Extract);
        ++busyDepth;
    }
    void leaveBusy() override { --busyDepth; }
    std::optional<std::string> chooseIsoSaveName(const std::string& initialFolder) override {
        dialogFolders.push_back(initialFolder);
        return saveName;
    }
    bool confirmReplace(const std::vector<std::string>& paths) override {
        questions.push_back(paths);
        return replaceAnswer;
    }

    // The message boxes shown, each as "caption: text".
    std::vector<std::string> shown() const {
        std::vector<std::string> texts;
        for (const Message& m : messages) texts.push_back(m.caption + ": " + m.text);
        return texts;
    }

    std::optional<std::string> saveName;
    bool replaceAnswer = false;
    std::function<void(int)> onPump;

    std::vector<std::string> dialogFolders;
    std::vector<std::vector<std::string>> questions;  // the files each question named
    int pumps = 0;
    int busyDepth = 0;
};

std::string bytesText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

class ExtractionTest : public ::testing::Test {
protected:
    void TearDown() override { quillon::testing::failWritesAfter(std::nullopt); }

    std::string writeContainer(const TestContainer& container, const std::string& name = "game.pbp") {
        const Bytes bytes = container.build();
        containerSize = bytes.size();
        return dir.write(name, bytes);
    }

    // Runs the extraction of `source` (of disc `onlyDisc` alone when given), the save
    // dialog answering `saveName`.
    void extract(const std::string& source, std::optional<std::string> saveName,
                 std::optional<std::size_t> onlyDisc = std::nullopt) {
        fields.setText(Field::sourcePath, source);
        fields.setText(Field::defaultOutputFolder, dir.folder());
        host.saveName = std::move(saveName);
        runIsoExtraction(fields, busy, onlyDisc);
        EXPECT_EQ(host.busyDepth, 0) << "every way out ends the busy state";
        EXPECT_FALSE(busy.abortRequested());
    }

    std::string progress(std::uint64_t position) const {
        return "Saving ISO file... (" + std::to_string(position * 100 / containerSize) + "%)";
    }

    TempFolder dir;
    FieldState fields;
    ExtractionHost host;
    BusyState busy{host};
    std::uint64_t containerSize = 0;
};

// ---- the stored copy ----

TEST_F(ExtractionTest, HundredThousandBytesAreOneFullBlockWithOneProgressTextAndOnePartialBlock) {
    TestContainer container;
    container.imageData = randomBytes(100000);
    const std::string source = writeContainer(container);

    extract(source, dir.file("game.iso"));

    EXPECT_EQ(readFile(dir.file("game.iso")), bytesText(container.imageData));
    EXPECT_EQ(host.statuses, (std::vector<std::string>{progress(container.imageDataStart() + 65535), "Done."}));
    EXPECT_EQ(host.pumps, 1);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.dialogFolders, std::vector<std::string>{dir.folder()});
    EXPECT_EQ(readFile(source), bytesText(container.build())) << "the source is never changed";
}

TEST_F(ExtractionTest, LengthThatIsAMultipleOfTheBlockSizeEndsWithAnEmptyPass) {
    TestContainer container;
    container.imageData = randomBytes(3 * 65535);
    const std::string source = writeContainer(container);

    extract(source, dir.file("game.iso"));

    EXPECT_EQ(readFile(dir.file("game.iso")), bytesText(container.imageData));
    const std::uint64_t start = container.imageDataStart();
    EXPECT_EQ(host.statuses, (std::vector<std::string>{progress(start + 65535), progress(start + 2 * 65535),
                                                       progress(start + 3 * 65535), "Done."}));
}

TEST_F(ExtractionTest, ImageDataBelowOneBlockShowsNoProgress) {
    TestContainer container;
    container.imageData = randomBytes(1000);
    extract(writeContainer(container), dir.file("game.iso"));
    EXPECT_EQ(readFile(dir.file("game.iso")), bytesText(container.imageData));
    EXPECT_EQ(host.statuses, std::vector<std::string>{"Done."});
    EXPECT_EQ(host.pumps, 0);
}

TEST_F(ExtractionTest, PercentageIsOfTheWholeContainerTakenDownwards) {
    // DATA.PSAR at 327,680 in a container of 700,000,000 bytes, after the first block.
    EXPECT_EQ(percentOf(327680 + 0x100000 + 65535, 700000000), 0);
    EXPECT_EQ(percentOf(7000000, 700000000), 1);
    EXPECT_EQ(percentOf(6999999, 700000000), 0);
    EXPECT_EQ(percentOf(699999999, 700000000), 99);
    EXPECT_EQ(percentOf(1, 3), 33);
}

// ---- the output name ----

TEST_F(ExtractionTest, OutputNameGetsIsoAppendedUnlessItEndsInIsoInAnyCase) {
    EXPECT_EQ(isoOutputName("game"), "game.iso");
    EXPECT_EQ(isoOutputName("game.ISO"), "game.ISO");
    EXPECT_EQ(isoOutputName("game.Iso"), "game.Iso");
    EXPECT_EQ(isoOutputName("game.bin"), "game.bin.iso");
    EXPECT_EQ(isoOutputName(std::string("my.iso") + kPathSeparator + "game"),
              std::string("my.iso") + kPathSeparator + "game.iso");

    TestContainer container;
    container.imageData = randomBytes(5000);
    const std::string source = writeContainer(container, "GAME.PBP");
    for (const std::string name : {"game", "upper.ISO", "disc.bin"}) {
        extract(source, dir.file(name));
    }
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"GAME.PBP", "disc.bin.iso", "game.iso", "upper.ISO"}));
    EXPECT_EQ(readFile(dir.file("disc.bin.iso")), bytesText(container.imageData));
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ExtractionTest, ExistingFileUnderTheAppendedNameIsReplacedOnlyWhenTheUserAgrees) {
    TestContainer container;
    container.imageData = randomBytes(70000);
    const std::string source = writeContainer(container);
    const std::string twin = dir.write("game.iso", "earlier image");

    host.replaceAnswer = false;
    extract(source, dir.file("game"));
    EXPECT_EQ(host.questions, std::vector<std::vector<std::string>>{{twin}});
    EXPECT_EQ(readFile(twin), "earlier image");
    EXPECT_EQ(host.statuses, std::vector<std::string>{"Done."});
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"game.iso", "game.pbp"}));

    host.replaceAnswer = true;
    extract(source, dir.file("game"));
    EXPECT_EQ(host.questions.size(), 2u);
    EXPECT_EQ(readFile(twin), bytesText(container.imageData));

    // A name chosen with its extension was asked about by the dialog itself.
    dir.write("game.iso", "earlier image");
    extract(source, twin);
    EXPECT_EQ(host.questions.size(), 2u);
    EXPECT_EQ(readFile(twin), bytesText(container.imageData));
}

TEST_F(ExtractionTest, OutputThatIsTheContainerByAnotherNameIsRefused) {
    const testing::TestDisc disc = testing::testDisc(testing::compressibleBytes(700 * kSectorSize), 9,
                                                     {{1, TrackType::Data, 0, 0}, {2, TrackType::Audio, 450, 150}});
    const Bytes container = testing::buildDiscContainer(disc);
    const std::string source = dir.write("game.pbp", container);
    using Link = void (*)(const std::filesystem::path&, const std::filesystem::path&);
    const Link symbolic = [](const auto& to, const auto& link) { std::filesystem::create_symlink(to, link); };
    const Link hard = [](const auto& to, const auto& link) { std::filesystem::create_hard_link(to, link); };
#ifdef _WIN32
    // Symbolic links need a privilege there (and Wine has none): the hard link stands for them.
    const std::vector<std::pair<std::string, Link>> cases{{"image.iso", hard}};
#else
    const std::vector<std::pair<std::string, Link>> cases{
        {"image.iso", symbolic}, {"image.iso", hard}, {"image.cue", symbolic}};
#endif
    for (const auto& [name, link] : cases) {
        SCOPED_TRACE(name);
        host.messages.clear();
        link(source, dir.path() / name);

        extract(source, dir.file("image.iso"));

        EXPECT_EQ(host.shown(),
                  std::vector<std::string>{"Error: Source file and Destination file cannot be the same."});
        EXPECT_TRUE(host.questions.empty());
        EXPECT_EQ(readFile(source), bytesText(container)) << "the source is never changed";
        removeFile(dir.file(name));
    }
}

// ---- cancel and abort ----

TEST_F(ExtractionTest, CancelledDialogWritesNothingAndSearchesNoStartScreen) {
    TestContainer container;
    container.imageData = randomBytes(70000);
    container.startDat = false;
    extract(writeContainer(container), std::nullopt);
    EXPECT_TRUE(host.messages.empty()) << "the missing start-screen block is not reported";
    EXPECT_EQ(host.statuses, std::vector<std::string>{"Done."});
    EXPECT_EQ(dir.names(), std::vector<std::string>{"game.pbp"});
}

TEST_F(ExtractionTest, AbortAfterSomeBlocksLeavesNoOutputAndKeepsAnEarlierFile) {
    TestContainer container;
    container.imageData = randomBytes(10 * 65535 + 17);
    const std::string source = writeContainer(container);
    const std::string earlier = dir.write("game.iso", "earlier image");
    host.onPump = [this](int pumps) {
        if (pumps == 3) busy.requestAbort();
    };

    extract(source, earlier);

    EXPECT_EQ(host.pumps, 3);
    EXPECT_EQ(host.statuses.size(), 4u);
    EXPECT_EQ(host.statuses.back(), "User aborted.");
    EXPECT_EQ(readFile(earlier), "earlier image");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"game.iso", "game.pbp"}));
    EXPECT_TRUE(host.messages.empty());
}

// ---- the checks ----

TEST_F(ExtractionTest, SourceMustBeNamedPbpInAnyLetterCase) {
    TestContainer container;
    container.imageData = randomBytes(100);
    const std::string image = writeContainer(container, "game.iso");
    for (const std::string& source : {image, std::string()}) {
        host.messages.clear();
        extract(source, dir.file("out.iso"));
        EXPECT_EQ(host.shown(), std::vector<std::string>{"Error: You have to select a PBP file."});
        EXPECT_FALSE(busy.errorShown()) << "the message has no code";
        EXPECT_TRUE(host.dialogFolders.empty());
        EXPECT_EQ(host.statuses.back(), "Done.");
    }
    extract(writeContainer(container, "GAME.PBP"), dir.file("out.iso"));
    EXPECT_EQ(readFile(dir.file("out.iso")), bytesText(container.imageData));
}

TEST_F(ExtractionTest, CodedErrorsStopBeforeAnyOutput) {
    TestContainer good;
    good.imageData = randomBytes(70000);

    Bytes noMagic = good.build();
    noMagic[1] = 'X';
    Bytes markerless = good.build();
    const std::uint32_t psar = TestContainer::dataPsarOf(markerless);
    markerless[psar] = 'X';
    Bytes psarPastEnd = good.build();
    testing::setHeaderOffset(psarPastEnd, PbpSection::DataPsar, static_cast<std::uint32_t>(psarPastEnd.size()));
    TestContainer noEnd = good;
    noEnd.startDat = false;
    Bytes tooShort(1048574 - 1000, 0);
    const Bytes head = good.build();
    std::copy(head.begin(), head.begin() + psar + 16, tooShort.begin());

    struct Case {
        std::string name;
        Bytes bytes;
        std::string message;
        bool dialogShown;
    };
    const std::vector<Case> cases{
        {"magic", noMagic, "Error: Selected file is not a valid PBP file.", false},
        {"marker", markerless, "Error: PBP file don't contain a ISO.", false},
        {"offset at the end", psarPastEnd, "Error: PBP file don't contain a ISO.", false},
        {"no start screen", noEnd.build(), "Error: Cant find end of ISO file.", true},
        {"shorter than the search", tooShort, "Error: Cant find end of ISO file.", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.messages.clear();
        host.dialogFolders.clear();
        extract(dir.write("case.pbp", c.bytes), dir.file("out.iso"));
        EXPECT_EQ(host.shown(), std::vector<std::string>{c.message});
        EXPECT_EQ(host.dialogFolders.size(), c.dialogShown ? 1u : 0u);
        EXPECT_EQ(host.statuses.back(), "Done.");
        EXPECT_FALSE(isFile(dir.file("out.iso")));
    }
}

// ---- input/output failures ----

TEST_F(ExtractionTest, FailedFileOperationsNameTheFileAndEndTheBusyState) {
    TestContainer container;
    container.imageData = randomBytes(70000);
    const std::string source = writeContainer(container);
    const std::string missing = dir.file("missing.pbp");
    const std::string tiny = dir.write("tiny.pbp", std::string("\0PBP", 4));
    const std::string noFolder = dir.file("nowhere") + kPathSeparator + "game.iso";

    extract(missing, dir.file("out.iso"));
    extract(tiny, dir.file("out.iso"));
    extract(source, noFolder);

    ASSERT_EQ(host.messages.size(), 3u);
    EXPECT_EQ(host.shown()[0], "Quillon: Cannot open file \"" + missing + "\". No such file or directory");
    EXPECT_EQ(host.shown()[1], "Quillon: Cannot read file \"" + tiny + "\". Read beyond end of file");
    EXPECT_EQ(host.shown()[2].rfind("Quillon: Cannot create file \"" + noFolder + "\". ", 0), 0u) << host.shown()[2];
    EXPECT_EQ(host.statuses, (std::vector<std::string>{"Done.", "Done.", "Done."}));
}

TEST_F(ExtractionTest, FullDiskLeavesNoOutputAndKeepsAnEarlierFile) {
    TestContainer container;
    container.imageData = randomBytes(5 * 65535);
    const std::string source = writeContainer(container);
    const std::string earlier = dir.write("game.iso", "earlier image");
    quillon::testing::failWritesAfter(2 * 65535 + 100);

    extract(source, earlier);

    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.shown()[0], "Quillon: Cannot write file \"" + earlier + "\". No space left on device");
    EXPECT_EQ(host.statuses.back(), "Done.");
    EXPECT_EQ(readFile(earlier), "earlier image");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"game.iso", "game.pbp"}));
}

TEST_F(ExtractionTest, TooLittleFreeSpaceStopsBeforeTheCopy) {
    TestContainer container;
    container.imageData = randomBytes(5 * 65535);
    const std::string source = writeContainer(container);
    const std::string earlier = dir.write("game.iso", "earlier image");
    quillon::testing::pretendFreeSpace(100000);
    extract(source, earlier);
    quillon::testing::pretendFreeSpace(std::nullopt);
    EXPECT_EQ(host.shown(), std::vector<std::string>{"Quillon: Not enough free space to write \"" + earlier +
                                                     "\": it needs 327675 bytes (0.3 MiB), and 100000 "
                                                     "bytes (0.1 MiB) are free."});
    EXPECT_EQ(host.pumps, 0) << "no block was copied";
    EXPECT_EQ(readFile(earlier), "earlier image");
}

// ---- images whose blocks are deflated ----

TEST_F(ExtractionTest, DeflatedBlocksAreWrittenAsTheDecodedImage) {
    Bytes image = testing::compressibleBytes(5 * kImageBlockSize + 1000);
    const Bytes noise = randomBytes(kImageBlockSize, 7);
    std::copy(noise.begin(), noise.end(), image.begin() + 2 * kImageBlockSize);
    // Block 2 stored as it is, as older containers may have it.
    const auto packed = testing::packBlocks(image, [](std::size_t block) { return block == 2 ? 0 : 9; });
    ASSERT_FALSE(packed.index[0].storedSize == kImageBlockSize);
    ASSERT_EQ(packed.index[2].storedSize, kImageBlockSize);
    const std::string source = writeContainer(testing::packedContainer(packed));

    extract(source, dir.file("game.iso"));

    EXPECT_TRUE(host.messages.empty()) << host.shown().front();
    EXPECT_EQ(readFile(dir.file("game.iso")), bytesText(paddedImage(image)));
    ASSERT_EQ(host.statuses.size(),
              packed.index.size());  // one text after every block but the last
    EXPECT_EQ(host.statuses.back(), "Done.");
    const std::uint64_t start = testing::packedContainer(packed).imageDataStart();
    EXPECT_EQ(host.statuses[0], progress(start + packed.index[0].storedSize));
}

TEST_F(ExtractionTest, AbortWhileDecodingLeavesNoOutput) {
    const auto packed = packImage(testing::compressibleBytes(6 * kImageBlockSize), 1);
    const std::string source = writeContainer(testing::packedContainer(packed));
    host.onPump = [this](int) { busy.requestAbort(); };
    extract(source, dir.file("game.iso"));
    EXPECT_EQ(host.pumps, 1);
    EXPECT_EQ(host.statuses.back(), "User aborted.");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"game.pbp"});
}

TEST_F(ExtractionTest, BlockThatDoesNotInflateIsAnErrorWithoutOutput) {
    const auto packed = packImage(testing::compressibleBytes(4 * kImageBlockSize), 6);
    auto damaged = testing::packedContainer(packed);
    const std::uint64_t third = packed.index[2].offset;
    std::fill_n(damaged.imageData.begin() + static_cast<std::ptrdiff_t>(third), 8, std::uint8_t{0xFF});
    const std::string earlier = dir.write("game.iso", "earlier image");
    const std::string source = writeContainer(damaged, "damaged.pbp");

    extract(source, earlier);

    const std::uint64_t start = damaged.imageDataStart();
    EXPECT_EQ(host.shown(), std::vector<std::string>{"Quillon: Cannot extract the disc image from \"" + source +
                                                     "\". Its block 3 (at byte " + std::to_string(start + third) +
                                                     ") is damaged: it does not inflate to 37632 bytes."});
    EXPECT_EQ(host.statuses, (std::vector<std::string>{
                                 progress(start + packed.index[0].storedSize),
                                 progress(start + packed.index[1].storedSize + packed.index[0].storedSize), "Done."}));
    EXPECT_EQ(readFile(earlier), "earlier image");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"damaged.pbp", "game.iso"}));
}

TEST_F(ExtractionTest, BlocksThatDoNotMatchTheirChecksumAreWrittenAndReportedOnce) {
    const Bytes image = testing::compressibleBytes(4 * kImageBlockSize + 100);
    const auto packed = packImage(image, 6);
    const std::string at = std::to_string(testing::packedContainer(packed).imageDataStart() + packed.index[1].offset);
    struct Case {
        std::vector<std::size_t> wrong;   // blocks whose checksum is changed
        std::vector<std::size_t> zeroed;  // blocks whose checksum is all zero
        std::string message;              // "@" for the source
    };
    const std::vector<Case> cases{
        {{1},
         {},
         "Quillon: Block 2 (at byte " + at +
             ") in \"@\" does not match its SHA-1 checksum. It was written as it is: the extracted "
             "disc image may be damaged."},
        {{1, 3, 4},
         {0},
         "Quillon: 3 blocks in \"@\" do not match their SHA-1 checksums, the first block 2 (at "
         "byte " +
             at + "). They were written as they are: the extracted disc image may be damaged."},
        {{}, {0, 1, 2, 3, 4}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        host.messages.clear();
        TestContainer container = testing::packedContainer(packed);
        for (const std::size_t block : c.wrong) container.index[block].sha1Prefix[5] ^= 1;
        for (const std::size_t block : c.zeroed) container.index[block].sha1Prefix.fill(0);
        const std::string source = writeContainer(container);

        extract(source, dir.file("game.iso"));

        std::string message = c.message;
        if (const auto quote = message.find('@'); quote != std::string::npos) message.replace(quote, 1, source);
        EXPECT_EQ(host.shown(), message.empty() ? std::vector<std::string>{} : std::vector<std::string>{message});
        EXPECT_EQ(readFile(dir.file("game.iso")), bytesText(paddedImage(image)));
        EXPECT_EQ(host.status(), "Done.");
    }
}

// Blocks are decoded in runs on all cores: the image, the progress and the first fault
// come out in image order, across the runs, as one block at a time gives them.
TEST_F(ExtractionTest, ManyBlocksComeOutInImageOrderWithTheFirstFaultNamed) {
    const Bytes image = testing::compressibleBytes(50 * kImageBlockSize - 500, 5);
    const auto packed = packImage(image, 1);
    const std::uint64_t start = testing::packedContainer(packed).imageDataStart();
    const auto at = [&](std::size_t block) { return std::to_string(start + packed.index[block].offset); };

    std::string source = writeContainer(testing::packedContainer(packed));
    extract(source, dir.file("game.iso"));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(readFile(dir.file("game.iso")), bytesText(paddedImage(image)));
    ASSERT_EQ(host.statuses.size(), 50u);
    for (std::size_t i = 0; i + 1 < 50; ++i) {
        EXPECT_EQ(host.statuses[i], progress(start + packed.index[i].offset + packed.index[i].storedSize)) << i;
    }

    TestContainer container = testing::packedContainer(packed);
    for (const std::size_t block : {40, 20, 35}) container.index[block].sha1Prefix[0] ^= 1;
    source = writeContainer(container);
    host = ExtractionHost();
    extract(source, dir.file("game.iso"));
    EXPECT_EQ(host.shown(), std::vector<std::string>{"Quillon: 3 blocks in \"" + source +
                                                     "\" do not match their SHA-1 checksums, the "
                                                     "first block 21 (at byte " +
                                                     at(20) +
                                                     "). They were written as they are: the "
                                                     "extracted disc image may be damaged."});

    for (const std::size_t block : {45, 33}) {
        std::fill_n(container.imageData.begin() + packed.index[block].offset, 8, std::uint8_t{0xFF});
    }
    source = writeContainer(container, "damaged.pbp");
    host = ExtractionHost();
    extract(source, dir.file("game.iso"));
    EXPECT_EQ(host.shown(), std::vector<std::string>{"Quillon: Cannot extract the disc image from \"" + source +
                                                     "\". Its block 34 (at byte " + at(33) +
                                                     ") is damaged: it does not inflate to 37632 bytes."});
    EXPECT_EQ(host.statuses.size(), 34u) << "a text after each block before it, then the end";
}

TEST_F(ExtractionTest, DeflatedBlocksUnderAnIndexThatDoesNotTileTheImageDataAreRefused) {
    const auto packed = packImage(testing::compressibleBytes(3 * kImageBlockSize), 9);
    auto withData = [&](std::function<void(TestContainer&)> change) {
        TestContainer container = testing::packedContainer(packed);
        change(container);
        return container;
    };
    const std::uint64_t stored = packed.data.size();
    const std::string second = std::to_string(packed.index[1].offset);
    const std::vector<std::pair<TestContainer, std::string>> cases{
        {withData([](TestContainer& c) { c.index[1].offset += 1; }),
         "entry 2 gives offset " + std::to_string(packed.index[1].offset + 1) + " where " + second + " follows"},
        {withData([](TestContainer& c) { std::swap(c.index[0], c.index[1]); }),
         "entry 1 gives offset " + second + " where 0 follows"},
        {withData([](TestContainer& c) { c.imageData.push_back(0); }),
         "its blocks end at " + std::to_string(stored) + " of " + std::to_string(stored + 1) + " bytes of image data"},
        {withData([](TestContainer& c) { c.imageData.pop_back(); }),
         "block 3 ends past the image data (" + std::to_string(stored - 1) + " bytes)"},
        {withData([](TestContainer& c) { c.index[1].offset = 0x7fffffff; }),
         "entry 2 gives offset 2147483647 where " + second + " follows"},
    };
    for (const auto& [container, fault] : cases) {
        SCOPED_TRACE(fault);
        host.messages.clear();
        const std::string source = writeContainer(container);
        extract(source, dir.file("game.iso"));
        EXPECT_EQ(host.shown(), std::vector<std::string>{"Quillon: Cannot extract the disc image from \"" + source +
                                                         "\". Its block index is damaged: " + fault + "."});
        EXPECT_FALSE(isFile(dir.file("game.iso")));
        EXPECT_EQ(host.status(), "Done.");
    }
}

TEST_F(ExtractionTest, WithoutAnIndexOfDeflatedBlocksTheStoredBytesAreTheImage) {
    const auto packed = packImage(testing::compressibleBytes(3 * kImageBlockSize), 0);
    TestContainer noIndex = testing::packedContainer(packed);
    noIndex.index.clear();
    TestContainer storedOutOfOrder = testing::packedContainer(packed);
    std::swap(storedOutOfOrder.index[0], storedOutOfOrder.index[1]);
    for (const TestContainer& container : {noIndex, storedOutOfOrder}) {
        extract(writeContainer(container), dir.file("game.iso"));
        EXPECT_TRUE(host.messages.empty());
        EXPECT_EQ(readFile(dir.file("game.iso")), bytesText(container.imageData));
    }
}

TEST_F(ExtractionTest, IndexWithoutEndEntryWithinItsAreaIsDamaged) {
    // 32,256 entries of one byte each fill the index area with no room for the end entry.
    TestContainer container;
    container.imageData = randomBytes(kMaxIndexEntries + 1);
    for (std::uint32_t i = 0; i <= kMaxIndexEntries; ++i) {
        IndexEntry entry;
        entry.offset = i;
        entry.storedSize = 1;
        container.index.push_back(entry);
    }
    const std::string source = writeContainer(container);
    extract(source, dir.file("game.iso"));
    EXPECT_EQ(host.shown(), std::vector<std::string>{"Quillon: Cannot extract the disc image from \"" + source +
                                                     "\". Its block index is damaged: it has no end entry."});
    EXPECT_FALSE(isFile(dir.file("game.iso")));
}

TEST_F(ExtractionTest, StartScreenBlockAtOrBeforeTheImageDataIsError8) {
    // As a damaged container can have it: its last "STARTDAT" in the index area's filler.
    const auto packed = packImage(testing::compressibleBytes(3 * kImageBlockSize), 9);
    TestContainer container = testing::packedContainer(packed);
    Bytes file = container.build();
    const std::uint64_t psar = TestContainer::dataPsarOf(file);
    const auto last = std::search(file.rbegin(), file.rend(), kStartDatMarker.rbegin(), kStartDatMarker.rend());
    *(last.base() - 8) = 'X';
    std::copy(kStartDatMarker.begin(), kStartDatMarker.end(), file.begin() + psar + 0x30000);
    extract(dir.write("game.pbp", file), dir.file("game.iso"));
    EXPECT_EQ(host.shown(), std::vector<std::string>{"Error: Cant find end of ISO file."});
    EXPECT_FALSE(isFile(dir.file("game.iso")));
}

// ---- the table of contents ----

TEST_F(ExtractionTest, TableOfContentsCutsTheImageAndSeveralTracksGetACueSheet) {
    const DiscTrack data{1, TrackType::Data, 0, 0};
    struct Case {
        std::string name;
        int level;
        std::vector<DiscTrack> tracks;  // with the pregaps the cue sheet is to give them
        std::size_t zeroSectorsAfter;   // that the blocks hold past the disc's end
    };
    const std::vector<Case> cases{
        {"stored", 0, {data, {2, TrackType::Audio, 450, 150}, {3, TrackType::Audio, 600, 0}}, 0},
        {"deflated", 9, {data, {2, TrackType::Audio, 450, 150}, {3, TrackType::Audio, 600, 0}}, 0},
        {"first track after a pregap, a change without room",
         9,
         {{1, TrackType::Data, 150, 150}, {2, TrackType::Audio, 300, 0}, {3, TrackType::Data, 452, 150}},
         0},
        {"one track", 9, {data}, 0},
        {"zero blocks past the end, stored", 0, {data}, 150},
        {"zero blocks past the end, deflated", 9, {data, {2, TrackType::Audio, 450, 150}}, 150},
    };
    const Bytes image = testing::compressibleBytes(700 * kSectorSize);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes blocks = image;
        blocks.resize(image.size() + c.zeroSectorsAfter * kSectorSize, 0);
        testing::TestDisc disc = testing::testDisc(blocks, c.level, c.tracks);
        disc.imageSize = image.size();
        const std::string target = dir.file("disc.iso");
        const std::string cue = dir.file("disc.cue");
        removeFile(target);
        removeFile(cue);

        extract(dir.write("game.pbp", testing::buildDiscContainer(disc)), target);

        EXPECT_TRUE(host.messages.empty());
        EXPECT_EQ(readFile(target), bytesText(image));
        EXPECT_EQ(isFile(cue), c.tracks.size() > 1);
        if (!isFile(cue)) continue;
        const auto sheet = readCueSheet(cue);
        ASSERT_TRUE(sheet.ok()) << sheet.error().message;
        ASSERT_EQ(sheet->files.size(), 1u);
        EXPECT_EQ(sheet->files[0].path, target);
        std::vector<DiscTrack> tracks;
        for (const CueTrack& track : sheet->tracks) {
            EXPECT_EQ(track.pregap, 0u);
            tracks.push_back(
                {track.number, track.type(), track.index01, track.index00 ? track.index01 - *track.index00 : 0});
        }
        EXPECT_EQ(tracks, c.tracks);
    }
}

TEST_F(ExtractionTest, IndexThatGivesLessThanTheDiscOrDoesNotDescribeDeflatedDataIsDamaged) {
    const Bytes image = testing::compressibleBytes(700 * kSectorSize);
    const std::uint64_t blocks = 44 * kImageBlockSize;  // the 700 sectors of the image, completed
    const std::string longer = std::to_string(blocks + kSectorSize);
    auto disc = [&](int level, std::function<void(testing::TestDisc&)> change) {
        testing::TestDisc made = testing::testDisc(image, level);
        change(made);
        return made;
    };
    const std::vector<std::pair<testing::TestDisc, std::string>> cases{
        {disc(0, [&](auto& d) { d.imageSize = blocks + kSectorSize; }),
         "it gives " + std::to_string(blocks) + " bytes of image where the table of contents gives the disc " + longer},
        {disc(9, [&](auto& d) { d.imageSize = blocks + kSectorSize; }),
         "it gives " + std::to_string(blocks) + " bytes of image where the table of contents gives the disc " + longer},
        {disc(9, [](auto& d) { d.packed.index.clear(); }), "it does not describe the image data, which is deflated"},
        {disc(9,
              [](auto& d) {
                  d.packed.index.clear();
                  d.tracks.clear();
              }),
         "it does not describe the image data, which is deflated"},
    };
    for (const auto& [damaged, fault] : cases) {
        SCOPED_TRACE(fault);
        host.messages.clear();
        const std::string source = dir.write("game.pbp", testing::buildDiscContainer(damaged));
        extract(source, dir.file("game.iso"));
        EXPECT_EQ(host.shown(), std::vector<std::string>{"Quillon: Cannot extract the disc image from \"" + source +
                                                         "\". Its block index is damaged: " + fault + "."});
        EXPECT_FALSE(isFile(dir.file("game.iso")));
    }
}

TEST_F(ExtractionTest, CueSheetThatCannotBePutInPlaceKeepsTheEarlierImage) {
    const testing::TestDisc disc = testing::testDisc(testing::compressibleBytes(700 * kSectorSize), 9,
                                                     {{1, TrackType::Data, 0, 0}, {2, TrackType::Audio, 450, 150}});
    const std::string source = dir.write("game.pbp", testing::buildDiscContainer(disc));
    const std::string earlier = dir.write("disc.iso", "earlier image");
    // While the image is written, a folder comes to stand where the sheet goes.
    host.onPump = [this](int) { dir.write("disc.cue/inside", ""); };

    extract(source, earlier);

    ASSERT_EQ(host.shown().size(), 1u);
    EXPECT_EQ(host.shown()[0].rfind("Quillon: Cannot replace file \"" + dir.file("disc.cue") + "\". ", 0), 0u)
        << host.shown()[0];
    EXPECT_EQ(readFile(earlier), "earlier image");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"disc.cue", "disc.iso", "game.pbp"}));
}

// ---- several discs ----

// Disc `number` of a game: `sectors` sectors of its own bytes.
Bytes discImage(int number, std::size_t sectors) {
    return testing::compressibleBytes(sectors * kSectorSize, static_cast<unsigned>(number));
}

class SeveralDiscsTest : public ExtractionTest {
protected:
    // A game of three discs: a deflated one; a stored one without a table of contents,
    // which gives its blocks whole (but not the zero bytes up to the next disc); and a
    // stored one of two tracks, which gets a cue sheet.
    SeveralDiscsTest()
        : images{discImage(1, 100), discImage(2, 20), discImage(3, 50)},
          discs{testing::testDisc(images[0], 9), testing::testDisc(images[1], 0, {}),
                testing::testDisc(images[2], 0, {{1, TrackType::Data, 0, 0}, {2, TrackType::Audio, 30, 0}})} {}

    std::string writeDiscs(std::size_t count = 3) {
        const std::vector<testing::TestDisc> set(discs.begin(), discs.begin() + static_cast<std::ptrdiff_t>(count));
        return dir.write("game.pbp", testing::buildDiscSet(set));
    }
    // What each disc's file holds.
    std::string expected(std::size_t disc) const {
        return bytesText(disc == 1 ? paddedImage(images[1]) : images[disc]);
    }

    std::vector<Bytes> images;
    std::vector<testing::TestDisc> discs;
};

TEST_F(SeveralDiscsTest, EveryDiscGoesToAFileNumberedAfterTheChosenName) {
    const std::vector<std::vector<std::string>> names{
        {"game (Disc 1).iso", "game (Disc 2).iso", "game.pbp"},
        {"game (Disc 1).iso", "game (Disc 2).iso", "game (Disc 3).cue", "game (Disc 3).iso", "game.pbp"},
    };
    for (const std::size_t count : {2u, 3u}) {
        SCOPED_TRACE(count);
        std::filesystem::remove_all(dir.path());
        std::filesystem::create_directories(dir.path());
        extract(writeDiscs(count), dir.file("game"));

        EXPECT_TRUE(host.messages.empty()) << host.shown().front();
        EXPECT_TRUE(host.questions.empty());
        EXPECT_EQ(host.status(), "Done.");
        EXPECT_EQ(dir.names(), names[count - 2]);
        for (std::size_t disc = 0; disc < count; ++disc) {
            EXPECT_EQ(readFile(dir.file("game (Disc " + std::to_string(disc + 1) + ").iso")), expected(disc));
        }
    }
    EXPECT_EQ(readFile(dir.file("game (Disc 3).cue")),
              cueSheetText({{1, TrackType::Data, 0, 0}, {2, TrackType::Audio, 30, 0}}, "game (Disc 3).iso"));
}

TEST_F(SeveralDiscsTest, OneDiscAloneGoesToTheChosenName) {
    const std::string source = writeDiscs();
    extract(source, dir.file("pick"), 3);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"game.pbp", "pick.cue", "pick.iso"}));
    EXPECT_EQ(readFile(dir.file("pick.iso")), expected(2));

    extract(source, dir.file("pick"), 4);
    EXPECT_EQ(host.shown(), std::vector<std::string>{"Quillon: \"" + source + "\" holds 3 discs: there is no disc 4."});
    EXPECT_EQ(host.dialogFolders.size(), 1u) << "no name is asked for a disc that is not there";
    EXPECT_EQ(readFile(dir.file("pick.iso")), expected(2));

    host.messages.clear();
    const std::string single = dir.write("single.pbp", testing::buildDiscContainer(discs[0]));
    extract(single, dir.file("one.iso"), 1);
    EXPECT_EQ(readFile(dir.file("one.iso")), expected(0));
    extract(single, dir.file("two.iso"), 2);
    EXPECT_EQ(host.shown(), std::vector<std::string>{"Quillon: \"" + single + "\" holds 1 disc: there is no disc 2."});
    EXPECT_FALSE(isFile(dir.file("two.iso")));
}

TEST_F(SeveralDiscsTest, ExistingFilesAreReplacedAfterOneQuestionThatListsThem) {
    const std::string source = writeDiscs();
    dir.write("game (Disc 1).iso", "earlier image");
    dir.write("game (Disc 3).cue", "earlier sheet");

    host.replaceAnswer = false;
    extract(source, dir.file("game.iso"));
    EXPECT_EQ(host.questions,
              (std::vector<std::vector<std::string>>{{dir.file("game (Disc 1).iso"), dir.file("game (Disc 3).cue")}}));
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"game (Disc 1).iso", "game (Disc 3).cue", "game.pbp"}));
    EXPECT_EQ(readFile(dir.file("game (Disc 1).iso")), "earlier image");
    EXPECT_TRUE(host.messages.empty());

    host.replaceAnswer = true;
    extract(source, dir.file("game.iso"));
    EXPECT_EQ(host.questions.size(), 2u);
    EXPECT_EQ(readFile(dir.file("game (Disc 1).iso")), expected(0));
    EXPECT_EQ(readFile(dir.file("game (Disc 3).iso")), expected(2));
    EXPECT_NE(readFile(dir.file("game (Disc 3).cue")), "earlier sheet");
}

TEST_F(SeveralDiscsTest, AbortOrFailureInALaterDiscLeavesNoDiscAndKeepsEarlierFiles) {
    // Disc 2's first block does not inflate in the "damaged" container.
    testing::TestDisc damaged = discs[2];
    damaged.packed = packImage(images[2], 9);
    std::fill_n(damaged.packed.data.begin(), 8, std::uint8_t{0xFF});
    const std::string damagedSource = dir.write("damaged.pbp", testing::buildDiscSet({discs[0], damaged}));
    const std::string source = writeDiscs();
    const std::string first = dir.file("game (Disc 1).iso");
    const std::uint64_t all = images[0].size() + paddedImage(images[1]).size() + images[2].size() +
                              cueSheetText(discs[2].tracks, "game (Disc 3).iso").size();
    const std::uint64_t disc2 = testing::discOffsets({discs[0], damaged})[1] +
                                TestContainer::dataPsarOf(testing::buildDiscSet({discs[0], damaged})) +
                                kImageDataOffset;
    struct Case {
        std::string name;
        std::string source;
        std::function<void()> arrange;
        std::string message;  // empty: none, and the run aborted
    };
    const std::vector<Case> cases{
        // Disc 1 has 7 blocks, disc 2 less than a copy block: the abort comes after disc
        // 3's first copy block.
        {"abort", source,
         [&] {
             host.onPump = [&](int pumps) {
                 if (pumps == 7) busy.requestAbort();
             };
         },
         ""},
        {"a block that does not inflate", damagedSource, [] {},
         "Quillon: Cannot extract disc 2 from \"" + damagedSource + "\". Its block 1 (at byte " +
             std::to_string(disc2) + ") is damaged: it does not inflate to 37632 bytes."},
        {"a full disk", source, [&] { quillon::testing::failWritesAfter(images[0].size() + 1000); },
         "Quillon: Cannot write file \"" + dir.file("game (Disc 2).iso") + "\". No space left on device"},
        {"too little room for all", source, [&] { quillon::testing::pretendFreeSpace(all - 1); },
         "Quillon: Not enough free space to write \"" + first + "\": it needs " + std::to_string(all) + " bytes"},
    };
    host.replaceAnswer = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dir.write("game (Disc 1).iso", "earlier image");
        host.messages.clear();
        host.pumps = 0;
        c.arrange();

        extract(c.source, dir.file("game.iso"));

        host.onPump = nullptr;
        quillon::testing::failWritesAfter(std::nullopt);
        quillon::testing::pretendFreeSpace(std::nullopt);
        if (c.message.empty()) {
            EXPECT_TRUE(host.messages.empty());
            EXPECT_EQ(host.status(), "User aborted.");
        } else {
            ASSERT_EQ(host.shown().size(), 1u);
            EXPECT_EQ(host.shown()[0].substr(0, c.message.size()), c.message);
            EXPECT_EQ(host.status(), "Done.");
        }
        EXPECT_EQ(readFile(first), "earlier image");
        EXPECT_EQ(dir.names(), (std::vector<std::string>{"damaged.pbp", "game (Disc 1).iso", "game.pbp"}));
    }
}

TEST_F(SeveralDiscsTest, DamagedDiscTableIsReportedBeforeTheSaveDialog) {
    const Bytes file = testing::buildDiscSet({discs[0], discs[1]});
    const std::uint64_t table = TestContainer::dataPsarOf(file) + kDiscTableOffset;
    const std::uint32_t first = loadLe32(&file[table]);
    const std::vector<std::pair<std::uint32_t, std::string>> cases{
        {0x7fffffff, "disc 2 lies past the end of the file"},
        {first + 0x10000, "disc 2 starts inside the disc before it"},  // in disc 1's index area
    };
    for (const auto& [second, fault] : cases) {
        SCOPED_TRACE(fault);
        host.messages.clear();
        Bytes damaged = file;
        storeLe32(&damaged[table + 4], second);
        const std::uint64_t block = TestContainer::dataPsarOf(file) + second;
        if (block < damaged.size()) std::copy(kIsoMarker.begin(), kIsoMarker.end(), damaged.begin() + block);
        const std::string source = dir.write("game.pbp", damaged);
        extract(source, dir.file("game.iso"));
        EXPECT_EQ(host.shown(),
                  std::vector<std::string>{"Quillon: The disc table of \"" + source + "\" is damaged: " + fault + "."});
        EXPECT_TRUE(host.dialogFolders.empty());
        EXPECT_EQ(dir.names(), std::vector<std::string>{"game.pbp"});
    }
}

}  // namespace
}  // namespace quillon
