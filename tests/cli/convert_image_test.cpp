// quillon-cli convert on a generated disc image with the real popstation tool: the
// image goes through the tool's container and the finishing stage into EBOOT.PBP.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "common/digest.h"
#include "common/file_io.h"
#include "source/image_index.h"
#include "source/param_sfo.h"
#include "source/pbp.h"
#include "state/busy_state.h"
#include "support/cli_run.h"
#include "support/pbp_builder.h"
#include "support/temp_folder.h"

namespace quillon::testing {
namespace {

// An image of noise with the boot line near its start; its size does not end on a block.
Bytes makeImage() {
    Bytes image(3 * 1024 * 1024 + 100);
    std::uint32_t noise = 99;
    for (std::uint8_t& byte : image) {
        noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
        byte = static_cast<std::uint8_t>(noise);
    }
    const std::string boot = "BOOT = cdrom:\\SLUS_012.34;1";
    std::copy(boot.begin(), boot.end(), image.begin() + 0x9340);
    return image;
}

class ConvertImageTest : public ::testing::Test {
protected:
    ConvertImageTest() {
        installPopstation(dir, kPopstationFileName);
        source = dir.write("game image.bin", image);
    }
    CliRun convert(const std::vector<std::string>& more = {}) const {
        std::vector<std::string> args{"convert", source,    "--output",     dir.file("out"),
                                      "--title", "My Game", "--save-title", "Saved"};
        args.insert(args.end(), more.begin(), more.end());
        return runCli(dir, args);
    }
    // The finished container, wherever in the output folder the settings put it.
    Bytes output() const {
        if (!std::filesystem::exists(dir.path() / "out")) return {};
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path() / "out")) {
            if (entry.path().filename() == "EBOOT.PBP") {
                const std::string bytes = readFile(entry.path().string());
                return Bytes(bytes.begin(), bytes.end());
            }
        }
        return {};
    }
    bool filesFolderHolds(const std::string& name) const {
        return std::filesystem::exists(dir.path() / "Files" / name);
    }

    TempFolder dir;
    Bytes image = makeImage();
    std::string source;
};

TEST_F(ConvertImageTest, StoredImageDataIsTheSourceByteForByte) {
    const CliRun run = convert();
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Done.\n");
    EXPECT_EQ(run.err, "");
    const Bytes eboot = output();
    ASSERT_GT(eboot.size(), kPbpHeaderSize);
    const PbpHeader header = *decodePbpHeader(eboot);
    EXPECT_TRUE(header.hasMagic());

    const ParamFields param = readParamFields(std::span(eboot).first(header.icon0()), header.paramSfo);
    EXPECT_EQ(param.title, "My Game");
    EXPECT_EQ(param.discId, "SLUS01234");  // found in the image by inspection
    const ByteReader reader(eboot);
    const std::uint64_t block = header.dataPsar;
    EXPECT_TRUE(reader.matches(block, "PSISOIMG0000"));
    EXPECT_TRUE(reader.matches(block + kDiscIdTextOffset, std::string("_SLUS_01234\0", 12)));
    EXPECT_TRUE(reader.matches(block + kSaveTitleOffset, std::string("Saved\0", 6)));

    // The image data runs from 0x100000 up to the start-screen block: the image, then
    // zero bytes that complete its last block and cover 150 sectors more.
    const std::string all(eboot.begin(), eboot.end());
    const std::uint64_t startDat = all.rfind("STARTDAT");
    const std::uint64_t blocks = indexBlocksFor((image.size() + kSectorSize - 1) / kSectorSize);
    EXPECT_GE(blocks * kImageBlockSize, image.size() + 150 * kSectorSize);
    ASSERT_EQ(startDat - block - kImageDataOffset, blocks * kImageBlockSize);
    const auto data = std::span(eboot).subspan(block + kImageDataOffset, blocks * kImageBlockSize);
    EXPECT_TRUE(std::ranges::equal(data.first(image.size()), image));
    EXPECT_TRUE(std::ranges::all_of(data.subspan(image.size()), [](std::uint8_t b) { return b == 0; }));

    EXPECT_FALSE(filesFolderHolds("EBOOT.PBP"));
    EXPECT_FALSE(filesFolderHolds("info.txt"));
}

TEST_F(ConvertImageTest, DeflatedBlocksInflateToTheSource) {
    // Half the image made of text, which deflates.
    std::fill(image.begin() + 0x10000, image.begin() + 0x10000 + image.size() / 2, 'a');
    dir.write("game image.bin", image);
    const CliRun run = convert({"--compression", "9"});
    ASSERT_EQ(run.status, 0) << run.err;
    const Bytes eboot = output();
    const std::uint64_t data = decodePbpHeader(eboot)->dataPsar + kImageDataOffset;
    Bytes padded = image;
    padded.resize((image.size() + kImageBlockSize - 1) / kImageBlockSize * kImageBlockSize, 0);
    int deflated = 0;
    for (std::size_t i = 0; i * kImageBlockSize < padded.size(); ++i) {
        const IndexEntry entry =
            decodeIndexEntry(&eboot[decodePbpHeader(eboot)->dataPsar + kIndexOffset + i * kIndexEntrySize]);
        const auto stored = std::span(eboot).subspan(data + entry.offset, entry.storedSize);
        const auto expected = std::span(padded).subspan(i * kImageBlockSize, kImageBlockSize);
        if (entry.isCompressed()) {
            ++deflated;
            const auto inflated = inflateRaw(stored, kImageBlockSize);
            ASSERT_TRUE(inflated) << i;
            EXPECT_TRUE(std::ranges::equal(*inflated, expected)) << i;
        } else {
            EXPECT_TRUE(std::ranges::equal(stored, expected)) << i;
        }
    }
    EXPECT_GT(deflated, 30);
}

TEST_F(ConvertImageTest, CompressionMaxDeflatesEveryBlockAtTheStrongestLevelForThisRunAlone) {
    std::fill(image.begin() + 0x10000, image.begin() + 0x10000 + image.size() / 2, 'a');
    dir.write("game image.bin", image);
    const std::string settings = "[Options]\r\nCompression=3\r\n";
    dir.write("Files/options.ini", settings);
    const CliRun run = convert({"--compression", "max"});
    ASSERT_EQ(run.status, 0) << run.err;
    const Bytes eboot = output();
    const std::uint64_t block = decodePbpHeader(eboot)->dataPsar;
    Bytes padded = image;
    padded.resize((image.size() + kImageBlockSize - 1) / kImageBlockSize * kImageBlockSize, 0);
    for (std::size_t i = 0; i * kImageBlockSize < padded.size(); ++i) {
        const IndexEntry entry = decodeIndexEntry(&eboot[block + kIndexOffset + i * kIndexEntrySize]);
        const auto expected = std::span(padded).subspan(i * kImageBlockSize, kImageBlockSize);
        EXPECT_EQ(entry.storedSize, storeBlock(expected, kStrongestDeflateLevel).size()) << i;
    }
    EXPECT_EQ(readFile(dir.file("Files/options.ini")), settings);
}

TEST_F(ConvertImageTest, CompressionMaxIsRefusedWhenTheToolInFilesIsAnother) {
    const std::string tool = dir.write(std::string("Files/") + kPopstationFileName, "#!/bin/sh\necho Done.\n");
    const CliRun run = convert({"--compression", "max"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("The popstation tool \"" + tool + "\" is not Quillon's own"), std::string::npos) << run.err;
    EXPECT_TRUE(output().empty());
}

TEST_F(ConvertImageTest, PatchedContainerExtractsToThePatchedImageAtEveryLevel) {
    // Zeros, which deflate, around five places of PAL code: inside blocks, across the
    // edge of two blocks, and in the last bytes of the image.
    image.assign(6 * kImageBlockSize + 300, 0);
    const Bytes code{0x13, 0x00, 0x91, 0x24, 0x10, 0x00, 0x91, 0x24};
    const std::size_t places[] = {500, kImageBlockSize - 3, 3 * kImageBlockSize + 7, 5 * kImageBlockSize - 8,
                                  image.size() - 8};
    Bytes expected = image;
    for (const std::size_t at : places) {
        std::copy(code.begin(), code.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
        std::copy(code.begin(), code.end(), expected.begin() + static_cast<std::ptrdiff_t>(at));
        expected[at] = expected[at + 4] = 0;
    }
    expected.resize(6 * kImageBlockSize + kSectorSize, 0);  // extracted in whole sectors
    dir.write("game image.bin", image);
    for (const std::string level : {"0", "1", "9"}) {
        SCOPED_TRACE(level);
        const CliRun run =
            convert({"--compression", level, "--pal-fix", "--id-prefix", "SLUS", "--id-number", "01234"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "Done. Patched iso in 5 places.\n");
        std::string eboot;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path() / "out")) {
            if (entry.path().filename() == "EBOOT.PBP") eboot = entry.path().string();
        }
        std::filesystem::remove(dir.file("back.iso"));
        const CliRun extracted = runCli(dir, {"extract", eboot, dir.file("back.iso")});
        ASSERT_EQ(extracted.status, 0) << extracted.err;
        EXPECT_EQ(bytesOf(readFile(dir.file("back.iso"))), expected);
    }
}

TEST_F(ConvertImageTest, ToolFailureShowsItsOutputAndLeavesNoContainer) {
    dir.write("game image.bin", std::string());  // an empty image, which the tool refuses
    const CliRun run = convert({"--id-prefix", "SLUS", "--id-number", "01234"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Done.\n");
    EXPECT_NE(run.err.find("Error: \"" + source + "\""), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("Done."), std::string::npos);
    EXPECT_TRUE(output().empty());
    EXPECT_FALSE(filesFolderHolds("EBOOT.PBP"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out")) << "the run made it and left it empty";
}

}  // namespace
}  // namespace quillon::testing
