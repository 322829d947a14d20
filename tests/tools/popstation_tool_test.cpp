#include "tools/popstation/tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <sstream>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "common/digest.h"
#include "common/file_io.h"
#include "convert/popstation_driver.h"
#include "source/disc_toc.h"
#include "source/param_sfo.h"
#include "source/pbp.h"
#include "support/pbp_builder.h"
#include "support/temp_folder.h"
#include "tools/popstation/base_parts.h"
#include "tools/popstation/disc_image_block.h"
#include "tools/popstation/png_writer.h"
#include "tools/tool_fixture.h"

namespace quillon::popstation {
namespace {

using namespace quillon::popstation::testing;

TEST_F(PopstationToolTest, StoredImageFormsAWholeContainer) {
    const Bytes image = makeImage(3 * 1024 * 1024 + 1234);
    const ToolRun result = run({writeImage(image)});
    ASSERT_EQ(result.lastLine(), "Done.") << ::testing::PrintToString(result.lines);
    EXPECT_EQ(result.exitStatus, 0);
    const Container c = container();

    EXPECT_TRUE(c.header.hasMagic());
    EXPECT_EQ(loadLe32(&c.bytes[4]), kContainerVersion);
    EXPECT_EQ(loadLe32(&c.bytes[8]), 0x28u);
    EXPECT_TRUE(checkPbpLayout(c.header, c.bytes.size()).ok());
    for (const std::uint32_t empty : c.header.artwork) EXPECT_EQ(empty, c.header.icon0());  // no artwork or sound
    EXPECT_EQ(c.header.dataPsp, c.header.icon0());
    const ParamFields sfo = readParamFields(std::span(c.bytes).first(c.header.icon0()), 0x28);
    EXPECT_FALSE(sfo.outOfBounds);
    EXPECT_EQ(sfo.title, "");
    EXPECT_EQ(sfo.discId, "SLUS01234");  // found in the image
    EXPECT_EQ(c.text(0x28, 4), std::string("\0PSF", 4));
    // One emulator refuses a container whose PARAM.SFO lacks BOOTABLE = 1: its first key,
    // an integer.
    const std::uint8_t* const firstEntry = &c.bytes[0x28 + 20];
    EXPECT_EQ(c.text(0x28 + loadLe32(&c.bytes[0x28 + 8]) + loadLe16(firstEntry), 9), std::string("BOOTABLE\0", 9));
    EXPECT_EQ(loadLe16(firstEntry + 2), 0x0404u);
    EXPECT_EQ(loadLe32(&c.bytes[0x28 + loadLe32(&c.bytes[0x28 + 12]) + loadLe32(firstEntry + 12)]), 1u);

    // Without base.pbp: the placeholder DATA.PSP, and DATA.PSAR at the first boundary.
    const Bytes psp = placeholderDataPsp();
    EXPECT_EQ(dataPspLength(c.bytes, c.header), psp.size());
    EXPECT_TRUE(std::equal(psp.begin(), psp.end(), c.bytes.begin() + c.header.dataPsp));
    EXPECT_EQ(c.psar, 0x50000u);

    EXPECT_EQ(c.text(c.psar, 12), "PSISOIMG0000");
    EXPECT_EQ(c.text(c.psar + 0x400, 12), std::string("_SLUS_01234\0", 12));
    EXPECT_EQ(c.bytes[c.psar + 0x122C], 0);                                   // empty title
    const std::uint8_t toc[] = {0x41, 0, 0xA0, 0, 0, 0, 0, 0x01, 0x20, 0x00,  //
                                0x41, 0, 0xA1, 0, 0, 0, 0, 0x01, 0x00, 0x00,  //
                                // 1,338 sectors + 150 = 1,488 frames = 00:19:63
                                0x41, 0, 0xA2, 0, 0, 0, 0, 0x00, 0x19, 0x63,  //
                                0x41, 0, 0x01, 0, 0, 0, 0, 0x00, 0x02, 0x00};
    EXPECT_TRUE(std::ranges::equal(c.at(c.psar + 0x800, sizeof toc), toc));
    EXPECT_EQ(loadLe32(&c.bytes[c.psar + 0xBFC]), 0x100000u);  // where the image data starts

    // 1,338 sectors and 150 zero sectors after them: 93 blocks.
    const Bytes padded = paddedToBlocks(image);
    const std::size_t blocks = padded.size() / kImageBlockSize;
    ASSERT_EQ(blocks, 93u);
    for (std::size_t i = 0; i < blocks; ++i) {
        const IndexEntry e = c.indexEntry(i);
        EXPECT_EQ(e.offset, i * kImageBlockSize);
        EXPECT_EQ(e.storedSize, kImageBlockSize);
        EXPECT_EQ(e.flags, 1);
        const Sha1 digest = sha1(std::span(padded).subspan(i * kImageBlockSize, kImageBlockSize));
        EXPECT_TRUE(std::equal(e.sha1Prefix.begin(), e.sha1Prefix.end(), digest.begin())) << i;
    }
    // The end entry: stored size 0, the end of the stored blocks as its offset.
    Bytes endEntry(kIndexEntrySize, 0);
    storeLe32(endEntry.data(), static_cast<std::uint32_t>(padded.size()));
    const std::uint64_t endAt = c.psar + kIndexOffset + blocks * kIndexEntrySize;
    EXPECT_TRUE(std::ranges::equal(c.at(endAt, kIndexEntrySize), endEntry));
    const auto restOfHead = c.at(c.psar + kIndexOffset + (blocks + 1) * kIndexEntrySize,
                                 kImageDataOffset - kIndexOffset - (blocks + 1) * kIndexEntrySize);
    EXPECT_TRUE(std::ranges::all_of(restOfHead, [](std::uint8_t b) { return b == 0; }));

    // The image data is the image byte for byte, up to the start-screen block.
    const std::uint64_t startDat = c.startDat();
    ASSERT_EQ(startDat, c.psar + kImageDataOffset + padded.size());
    EXPECT_TRUE(std::ranges::equal(c.at(c.psar + kImageDataOffset, padded.size()), padded));

    const Bytes picture = placeholderStartScreen();
    EXPECT_TRUE(looksLikePng(picture));
    EXPECT_EQ(loadLe32(&c.bytes[startDat + 20]), 80 + picture.size());
    EXPECT_TRUE(std::ranges::equal(c.at(startDat + 80, picture.size()), picture));
    EXPECT_EQ(c.bytes.size(), startDat + 80 + picture.size() + 4976);
    EXPECT_TRUE(std::ranges::all_of(c.at(c.bytes.size() - 4976, 4976), [](std::uint8_t b) { return b == 0; }));

    // The readers of the container find both blocks.
    auto file = InputFile::open(ebootPath());
    ASSERT_TRUE(file.ok());
    EXPECT_TRUE(*hasIsoMarkerAt(*file, c.psar, file->size()));
    EXPECT_EQ(*findStartDat(*file), std::optional<std::uint64_t>(startDat));
}

TEST_F(PopstationToolTest, Level9DeflatesEveryBlockAndEachInflatesToItsBlock) {
    const Bytes image = makeImage(2 * 1024 * 1024);
    const ToolRun result = run({"My Game", "SLPM86023", "9", writeImage(image)});
    ASSERT_EQ(result.lastLine(), "Done.") << ::testing::PrintToString(result.lines);
    const Container c = container();

    const ParamFields param = readParamFields(std::span(c.bytes).first(c.header.icon0()), 0x28);
    EXPECT_EQ(param.title, "My Game");
    EXPECT_EQ(param.discId, "SLPM86023");
    EXPECT_EQ(c.text(c.psar + 0x400, 12), std::string("_SLPM_86023\0", 12));
    EXPECT_EQ(c.text(c.psar + 0x122C, 8), std::string("My Game\0", 8));

    const Bytes padded = paddedToBlocks(image);
    const std::size_t blocks = padded.size() / kImageBlockSize;
    std::uint64_t offset = 0;
    for (std::size_t i = 0; i < blocks; ++i) {
        const IndexEntry e = c.indexEntry(i);
        const auto expected = std::span(padded).subspan(i * kImageBlockSize, kImageBlockSize);
        EXPECT_EQ(e.offset, offset);
        ASSERT_TRUE(e.isCompressed()) << i;
        const auto stored = c.at(c.psar + kImageDataOffset + e.offset, e.storedSize);
        const auto inflated = inflateRaw(stored, kImageBlockSize);
        ASSERT_TRUE(inflated.has_value()) << i;
        EXPECT_TRUE(std::ranges::equal(*inflated, expected)) << i;
        // Text deflates well; noise does not shrink and is kept in deflate's stored
        // mode, a few bytes larger (the zero blocks after the image's aside).
        if (i % 2 == 0 || i * kImageBlockSize >= image.size()) {
            EXPECT_LT(e.storedSize, kImageBlockSize / 4) << i;
        } else if ((i + 1) * kImageBlockSize <= image.size()) {
            EXPECT_GT(e.storedSize, kImageBlockSize) << i;
        }
        const Sha1 digest = sha1(expected);
        EXPECT_TRUE(std::equal(e.sha1Prefix.begin(), e.sha1Prefix.end(), digest.begin())) << i;
        offset += e.storedSize;
    }
    EXPECT_TRUE(c.indexEntry(blocks).isEnd());
    EXPECT_EQ(c.indexEntry(blocks).offset, offset);
    EXPECT_EQ(c.startDat(), c.psar + kImageDataOffset + offset);
}

class PopstationLevelTest : public PopstationToolTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(PopstationLevelTest, AOneTrackBinDecodesBackByteForByte) {
    const Bytes image = makeImage(1000 * kSectorSize);
    const ToolRun result = run({"", "SLUS01234", GetParam(), writeImage(image, "game.bin")});
    ASSERT_EQ(result.lastLine(), "Done.") << ::testing::PrintToString(result.lines);
    const Container c = container();
    EXPECT_EQ(decodeDisc(c, c.psar), paddedToBlocks(image));
    const Bytes toc = encodeToc({DiscTrack{}}, image.size());
    EXPECT_TRUE(std::ranges::equal(c.at(c.psar + kTocOffset, toc.size()), toc));
}

INSTANTIATE_TEST_SUITE_P(Levels, PopstationLevelTest, ::testing::Values("0", "9"));

TEST_F(PopstationToolTest, MaxCompressionDeflatesEveryBlockAtTheStrongestLevel) {
    // Numbers as text: deflate finds more to gain there the harder it searches.
    Bytes image = makeImage(40 * kImageBlockSize + 100);
    std::string numbers;
    for (std::uint32_t i = 0; numbers.size() < 20 * kImageBlockSize; ++i) {
        numbers += std::to_string(i * 7919 % 100003) + ' ';
    }
    std::copy_n(numbers.begin(), 20 * kImageBlockSize, image.begin() + 20 * kImageBlockSize);
    const std::string source = writeImage(image);
    const ToolRun result = run({"--max-compression", source});
    ASSERT_EQ(result.lastLine(), "Done.") << ::testing::PrintToString(result.lines);
    EXPECT_NE(std::ranges::find(result.lines, "Compression level: 12 (blocks deflated at the strongest level)"),
              result.lines.end());
    const Container strongest = container();
    EXPECT_EQ(decodeDisc(strongest, strongest.psar), paddedToBlocks(image));

    ASSERT_EQ(run({"", "SLUS01234", "9", source}).lastLine(), "Done.");
    const Container level9 = container();
    std::uint64_t strongestSize = 0, level9Size = 0;
    for (std::size_t i = 0; i < 41; ++i) {
        ASSERT_TRUE(strongest.indexEntry(i).isCompressed()) << i;
        strongestSize += strongest.indexEntry(i).storedSize;
        level9Size += level9.indexEntry(i).storedSize;
    }
    // Not smaller block by block, but smaller in all.
    EXPECT_LT(strongestSize, level9Size);
}

TEST_F(PopstationToolTest, MaxCompressionTakesTheLevelsPlaceOrIsASourceAlone) {
    const std::string source = writeImage(makeImage(3 * kImageBlockSize));
    ToolRun result = run({"--max-compression", "T", "SLUS01234", "9", source});
    expectNoOutput(result);
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.lines[0], "Compression level \"9\" given with --max-compression: give an empty level with it.");
    EXPECT_EQ(result.lastLine(), kStrongestOptionHelp);

    // Alone, the word is a source's name, as any lone argument is.
    result = run({"--max-compression"});
    expectNoOutput(result);
    EXPECT_EQ(result.lines[0], "Error: Cannot open file \"--max-compression\". No such file or directory");

    result = run({"--max-compression", "T", "SLUS01234", "", source});
    ASSERT_EQ(result.lastLine(), "Done.") << ::testing::PrintToString(result.lines);
    EXPECT_NE(std::ranges::find(result.lines, "Compression level: 12 (blocks deflated at the strongest level)"),
              result.lines.end());
}

TEST_F(PopstationToolTest, ProgressRisesOnePercentAtATime) {
    const ToolRun result = run({writeImage(makeImage(250 * kImageBlockSize))});
    ASSERT_EQ(result.lastLine(), "Done.");
    std::vector<std::string> progress;
    for (const std::string& line : result.lines) {
        if (line.starts_with("Writing EBOOT.PBP... ")) progress.push_back(line);
    }
    std::vector<std::string> expected;
    for (int percent = 1; percent <= 100; ++percent) {
        expected.push_back("Writing EBOOT.PBP... " + std::to_string(percent) + "%");
    }
    EXPECT_EQ(progress, expected);
}

TEST_F(PopstationToolTest, ThreadsDoNotChangeTheContainer) {
    const std::string source = writeImage(makeImage(1024 * 1024));
    ASSERT_EQ(run({"", "SLUS00001", "6", source}, withThreads(1)).lastLine(), "Done.");
    const std::string one = readFile(ebootPath());
    ASSERT_EQ(run({"", "SLUS00001", "6", source}, withThreads(3)).lastLine(), "Done.");
    EXPECT_EQ(readFile(ebootPath()), one);
}

TEST_F(PopstationToolTest, BasePbpSuppliesDataPspAndStartScreen) {
    Bytes picture(kPngSignature, kPngSignature + 8);
    picture.insert(picture.end(), 3000, 0x5A);
    quillon::testing::ContainerRecipe parts;
    parts.dataPsp = {'~', 'S', 'A', 'M', 'P', 'L', 'E', 0, 0, 'X', 0, 0, 0};
    parts.startPicture = picture;
    Bytes base = quillon::testing::buildContainer(parts);
    const std::string all(base.begin(), base.end());
    base[all.rfind("STARTDAT") + 8] = 0x77;  // a header field the tool does not take over
    work.write("base.pbp", base);
    const Bytes dataPsp(parts.dataPsp.begin(), parts.dataPsp.end() - 3);  // without the zeros
    const Bytes trailer(base.end() - 4976, base.end());

    const ToolRun result = run({writeImage(makeImage(100000))});
    ASSERT_EQ(result.lastLine(), "Done.") << ::testing::PrintToString(result.lines);
    const Container c = container();
    EXPECT_EQ(dataPspLength(c.bytes, c.header), dataPsp.size());
    EXPECT_TRUE(std::ranges::equal(c.at(c.header.dataPsp, dataPsp.size()), dataPsp));
    const std::uint64_t startDat = c.startDat();
    EXPECT_EQ(c.bytes[startDat + 8], 0);
    EXPECT_EQ(loadLe32(&c.bytes[startDat + 20]), 80 + picture.size());
    EXPECT_TRUE(std::ranges::equal(c.at(startDat + 80, picture.size()), picture));
    EXPECT_TRUE(std::ranges::equal(c.at(c.bytes.size() - 4976, 4976), trailer));
    EXPECT_EQ(c.bytes.size(), startDat + 80 + picture.size() + 4976);
}

TEST_F(PopstationToolTest, BaseOptionNamesTheSampleContainerElsewhere) {
    quillon::testing::ContainerRecipe parts;
    parts.dataPsp = {'F', 'R', 'O', 'M', ' ', 'O', 'P', 'T', 'I', 'O', 'N'};
    const std::string base = sources.write("shared/base.pbp", quillon::testing::buildContainer(parts));
    work.write("base.pbp", std::string("not used"));
    const ToolRun result = run({"--base", base, "", "SLUS01234", "9", writeImage(makeImage(50000))});
    ASSERT_EQ(result.lastLine(), "Done.") << ::testing::PrintToString(result.lines);
    const Container c = container();
    EXPECT_TRUE(std::ranges::equal(c.at(c.header.dataPsp, parts.dataPsp.size()), parts.dataPsp));
}

TEST_F(PopstationToolTest, AStartScreenHoldingItsMarkerIsRefused) {
    // Chosen with the option: the run fails and names the picture.
    Bytes marked = encodePng(4, 2, Bytes(4 * 2 * 3, 200));
    const std::string_view marker = "STARTDAT";
    marked.insert(marked.end(), marker.begin(), marker.end());
    const std::string png = sources.write("marked.png", marked);
    const ToolRun chosen = run({"--start-screen", png, writeImage(makeImage(40000))});
    EXPECT_EQ(chosen.exitStatus, 1);
    EXPECT_EQ(chosen.lastLine(), "Error: The start-screen picture \"" + png +
                                     "\" cannot be used: it holds the bytes \"STARTDAT\", which mark "
                                     "the start-screen block.");
    // In base.pbp's picture: the sample cannot serve, and the placeholder stands in.
    quillon::testing::ContainerRecipe parts;
    parts.startPicture = quillon::testing::bytesOf("a picture with STARTDAT in it");
    work.write("base.pbp", quillon::testing::buildContainer(parts));
    const ToolRun sample = run({writeImage(makeImage(40000))});
    ASSERT_EQ(sample.lastLine(), "Done.") << ::testing::PrintToString(sample.lines);
    const Container c = container();
    const Bytes placeholder = placeholderStartScreen();
    EXPECT_TRUE(std::ranges::equal(c.at(c.startDat() + 80, placeholder.size()), placeholder));
}

TEST_F(PopstationToolTest, UnusableBasePbpGivesWayToPlaceholders) {
    work.write("base.pbp", std::string("not a container at all"));
    ToolRun result = run({writeImage(makeImage(50000))});
    ASSERT_EQ(result.lastLine(), "Done.") << ::testing::PrintToString(result.lines);
    Container c = container();
    EXPECT_EQ(dataPspLength(c.bytes, c.header), placeholderDataPsp().size());
    const Bytes picture = placeholderStartScreen();
    EXPECT_TRUE(std::ranges::equal(c.at(c.startDat() + 80, picture.size()), picture));

    // A DATA.PSP that leaves no room in front of DATA.PSAR: only it is replaced.
    quillon::testing::ContainerRecipe parts;
    parts.dataPsp = Bytes(0x280000, 0x44);
    work.write("base.pbp", quillon::testing::buildContainer(parts));
    result = run({writeImage(makeImage(50000))});
    ASSERT_EQ(result.lastLine(), "Done.") << ::testing::PrintToString(result.lines);
    c = container();
    EXPECT_EQ(dataPspLength(c.bytes, c.header), placeholderDataPsp().size());
    EXPECT_EQ(c.psar, 0x50000u);
    EXPECT_TRUE(std::ranges::equal(c.at(c.startDat() + 80, parts.startPicture->size()), *parts.startPicture));
}

TEST_F(PopstationToolTest, StartScreenOptionTakesThePictureFromAPngFile) {
    const Bytes picture = encodePng(4, 2, Bytes(4 * 2 * 3, 200));
    const std::string png = sources.write("warning.png", picture);
    const ToolRun result = run({"--start-screen", png, "T", "SLES01234", "", writeImage(makeImage(40000))});
    ASSERT_EQ(result.lastLine(), "Done.") << ::testing::PrintToString(result.lines);
    const Container c = container();
    EXPECT_EQ(loadLe32(&c.bytes[c.startDat() + 20]), 80 + picture.size());
    EXPECT_TRUE(std::ranges::equal(c.at(c.startDat() + 80, picture.size()), picture));

    const ToolRun notPng =
        run({"--start-screen", sources.write("x.png", std::string("GIF89a")), writeImage(makeImage(40000))});
    EXPECT_NE(notPng.exitStatus, 0);
    EXPECT_NE(notPng.lastLine(), "Done.");

    // A picture that would push the block out of the final bytes where readers look.
    Bytes large(kPngSignature, kPngSignature + 8);
    large.resize(kMaxStartScreenPicture + 1, 0x33);
    const ToolRun tooLarge = run({"--start-screen", sources.write("large.png", large), writeImage(makeImage(40000))});
    EXPECT_EQ(tooLarge.exitStatus, 1);
    EXPECT_NE(tooLarge.lastLine().find("is too large: 1043520 bytes, at most 1043519 fit."), std::string::npos)
        << tooLarge.lastLine();
}

TEST_F(PopstationToolTest, FailuresLeaveNoContainerAndNoDone) {
    const std::string source = writeImage(makeImage(4 * kImageBlockSize + 1));
    ToolRun result = run({sources.file("missing.bin")});
    expectNoOutput(result);
    EXPECT_NE(result.lines[0].find("missing.bin"), std::string::npos);

    for (const std::string level : {"x", "10", "-1", " "}) {
        result = run({"", "SLUS01234", level, source});
        expectNoOutput(result);
        EXPECT_EQ(result.lines[0],
                  "Invalid compression level \"" + level + "\": give nothing or one digit from 0 to 9.");
    }
    expectNoOutput(run({}));
    expectNoOutput(run({"a", "b"}));
    // A path that looks like the option is a path in the forms the conversion passes.
    result = run({"--start-screen"});
    expectNoOutput(result);
    EXPECT_EQ(result.lines[0], "Error: Cannot open file \"--start-screen\". No such file or directory");
    expectNoOutput(run({writeImage({}, "empty.iso")}));
    expectNoOutput(run({sources.folder()}));  // a folder is no image

    // Five blocks where the index has room for four.
    result = run({source}, withIndexRoom(4));
    expectNoOutput(result);
    EXPECT_NE(result.lastLine().find("too large"), std::string::npos);
}

TEST_F(PopstationToolTest, WriteFailureKeepsAnEarlierContainer) {
    work.write("EBOOT.PBP", std::string("earlier"));
    quillon::testing::failWritesAfter(0x50000 + 5000);
    const ToolRun result = run({"", "SLUS01234", "0", writeImage(makeImage(3 * kImageBlockSize))});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.lastLine().find("No space left on device"), std::string::npos);
    EXPECT_EQ(readFile(ebootPath()), "earlier");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(work.path()), {}), 1);
}

TEST_F(PopstationToolTest, StopBetweenBlocksLeavesNoContainer) {
    stop = true;
    const ToolRun result = run({writeImage(makeImage(3 * kImageBlockSize))});
    EXPECT_EQ(result.exitStatus, 130);
    expectNoOutput(result);
}

TEST(ImageBlockTest, IndexRoomLimitsTheImageSize) {
    // The index's 32,255 blocks hold 516,080 sectors, 150 of them past the image's end.
    const std::uint64_t largest = std::uint64_t{515930} * kSectorSize;
    EXPECT_EQ(kMaxIndexEntries, 32255u);
    EXPECT_EQ(*imageBlockCount(largest), kMaxIndexEntries);
    EXPECT_EQ(*imageBlockCount(largest - kImageBlockSize), kMaxIndexEntries - 1);
    const auto tooLarge = imageBlockCount(largest + 1);
    ASSERT_FALSE(tooLarge.ok());
    EXPECT_EQ(tooLarge.error().message,
              "The disc image is too large: 1213467361 bytes make 32256 blocks with the 150 "
              "sectors that readers expect after it, but the container's index holds at most "
              "32255 blocks (1213467360 bytes of image).");
    EXPECT_FALSE(imageBlockCount(0).ok());
    // A sector and the 150 after it, in 10 blocks; 160 sectors need 20.
    EXPECT_EQ(*imageBlockCount(1), 10u);
    EXPECT_EQ(*imageBlockCount(10 * kSectorSize), 10u);
    EXPECT_EQ(*imageBlockCount(11 * kSectorSize), 11u);
}

// What tells the conversion that the tool may be given --max-compression.
TEST(PopstationProgramTest, ItsProgramFileShowsItAsTheProjectsOwnTool) {
    EXPECT_TRUE(isOwnTool(QUILLON_POPSTATION_TOOL));
}

#ifndef _WIN32
// The built program, stopped by SIGINT while it packs blocks.
TEST(PopstationProgramTest, SigintStopsItAndLeavesNoContainer) {
    TempFolder folder;
    const std::string source = folder.write("big.bin", makeImage(24 * 1024 * 1024));
    const std::filesystem::path workFolder = folder.path() / "work";
    std::filesystem::create_directories(workFolder);

    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        if (chdir(workFolder.c_str()) != 0) _exit(99);
        std::signal(SIGINT, SIG_DFL);
        execl(QUILLON_POPSTATION_TOOL, "popstation", "", "SLUS01234", "9", source.c_str(), static_cast<char*>(nullptr));
        _exit(98);
    }
    close(pipeEnds[1]);
    std::string output;
    char buffer[256];
    bool interrupted = false;
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
        output.append(buffer, static_cast<std::size_t>(n));
        if (!interrupted && output.find("Writing EBOOT.PBP...") != std::string::npos) {
            kill(child, SIGINT);
            interrupted = true;
        }
    }
    close(pipeEnds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(interrupted) << output;
    ASSERT_TRUE(WIFEXITED(status)) << output;
    EXPECT_EQ(WEXITSTATUS(status), 130) << output;
    EXPECT_EQ(output.find("Done."), std::string::npos) << output;
    EXPECT_TRUE(std::filesystem::is_empty(workFolder));
}
#endif

}  // namespace
}  // namespace quillon::popstation
