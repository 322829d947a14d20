// What emulators' readers of containers rely on, checked on the containers that quillon-cli
// writes for every kind of source: PARAM.SFO with BOOTABLE = 1, CATEGORY "ME" and no entry
// of data format 0x0004; the image data's position at +0xBFC of each disc-image block; and
// every sector up to 150 past the image's end readable through the index, each block read
// as the strictest reader does: at the block's start + that position + the entry's offset,
// stored when its size is 0x9300, else inflated.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/digest.h"
#include "source/disc_toc.h"
#include "source/image_index.h"
#include "source/multi_disc.h"
#include "source/pbp.h"
#include "state/busy_state.h"
#include "support/cli_run.h"
#include "support/temp_folder.h"

namespace quillon::testing {
namespace {

// Sectors of text and of noise, as discs have them: every block deflates below 0x9300.
Bytes noiseAndText(std::size_t size, std::uint32_t seed) {
    Bytes image(size);
    for (std::size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245 + 12345;
        image[i] = (i / kSectorSize) % 2 ? static_cast<std::uint8_t>(seed >> 16) : "PLAYSTATION "[i % 12];
    }
    return image;
}

struct SfoEntryView {
    std::string key;
    std::uint16_t format = 0;
    Bytes value;
};

std::vector<SfoEntryView> sfoEntries(const Bytes& file, std::uint64_t sfo) {
    const std::uint64_t keys = sfo + loadLe32(&file.at(sfo + 8));
    const std::uint64_t data = sfo + loadLe32(&file.at(sfo + 12));
    std::vector<SfoEntryView> entries;
    for (std::uint32_t i = 0; i < loadLe32(&file.at(sfo + 16)); ++i) {
        const std::uint8_t* entry = &file.at(sfo + 20 + 16 * i);
        SfoEntryView view;
        view.key = reinterpret_cast<const char*>(&file.at(keys + loadLe16(entry)));
        view.format = loadLe16(entry + 2);
        const std::uint64_t at = data + loadLe32(entry + 12);
        view.value.assign(&file.at(at), &file.at(at) + loadLe32(entry + 4));
        entries.push_back(view);
    }
    return entries;
}

// The disc as the strictest reader sees it: every sector up to 150 past the lead-out's
// image sectors, read block by block through the index from +0xBFC's position.
Bytes readLikeAnEmulator(const Bytes& file, std::uint64_t block) {
    const std::uint32_t dataAt = loadLe32(&file.at(block + kImageDataPositionOffset));
    EXPECT_EQ(dataAt, kImageDataOffset);
    const auto toc = decodeToc(std::span(file).subspan(block, kTocOffset + tocSize(kMaxTracks)));
    EXPECT_TRUE(toc.ok());
    if (!toc) return {};
    const std::uint64_t sectors = toc->imageSectors() + 150;
    Bytes disc;
    for (std::uint64_t b = 0; b * 16 < sectors; ++b) {
        const IndexEntry entry = decodeIndexEntry(&file.at(block + kIndexOffset + b * kIndexEntrySize));
        EXPECT_NE(entry.storedSize, 0) << "no index entry for block " << b;
        if (entry.storedSize == 0) return {};
        const std::uint64_t at = block + dataAt + entry.offset;
        const auto stored = std::span(file).subspan(at, entry.storedSize);
        EXPECT_LE(entry.storedSize, kImageBlockSize) << "block " << b;  // one reader's buffer
        const auto image = loadBlock(stored, entry);
        EXPECT_TRUE(image.has_value()) << "block " << b;
        if (!image) return {};
        disc.insert(disc.end(), image->begin(), image->end());
    }
    disc.resize(sectors * kSectorSize);
    return disc;
}

struct RulesCase {
    const char* name;
    std::vector<std::string> discs;  // one: an image or a cue sheet; several: a playlist
    const char* level;
};

class EmulatorRulesTest : public ::testing::TestWithParam<RulesCase> {
protected:
    EmulatorRulesTest() { installPopstation(dir, kPopstationFileName); }

    // Each disc's image as the container must give it back, and the source to convert.
    std::string makeSource(std::vector<Bytes>& images) {
        const RulesCase& c = GetParam();
        std::string playlist;
        for (std::size_t i = 0; i < c.discs.size(); ++i) {
            const std::string& kind = c.discs[i];
            const std::string stem = "disc" + std::to_string(i + 1);
            Bytes data = noiseAndText(kImageBlockSize * 5 + kSectorSize * 3, static_cast<std::uint32_t>(i + 7));
            const std::string boot = "BOOT = cdrom:\\SLUS_990.0" + std::to_string(i + 1) + ";1";
            std::copy(boot.begin(), boot.end(), data.begin() + 0x9340);
            dir.write(stem + ".bin", data);
            if (kind == "cue") {
                const Bytes audio = noiseAndText(kSectorSize * 200, 99);
                dir.write(stem + "-audio.bin", audio);
                dir.write(stem + ".cue", "FILE \"" + stem +
                                             ".bin\" BINARY\n TRACK 01 MODE2/2352\n  INDEX 01 00:00:00\n"
                                             "FILE \"" +
                                             stem +
                                             "-audio.bin\" BINARY\n TRACK 02 AUDIO\n  INDEX 00 00:00:00\n"
                                             "  INDEX 01 00:02:00\n");
                data.insert(data.end(), audio.begin(), audio.end());
            }
            images.push_back(data);
            playlist += stem + (kind == "cue" ? ".cue\n" : ".bin\n");
        }
        if (c.discs.size() == 1) return dir.file(playlist.substr(0, playlist.size() - 1));
        dir.write("game.m3u", playlist);
        return dir.file("game.m3u");
    }

    Bytes convert(const std::string& source, const std::vector<std::string>& more = {}) {
        std::vector<std::string> args{"convert",     source,         "--output",      dir.file("out"), "--title",
                                      "Game",        "--save-title", "Game",          "--id-prefix",   "SLUS",
                                      "--id-number", "99001",        "--compression", GetParam().level};
        args.insert(args.end(), more.begin(), more.end());
        const CliRun run = runCli(dir, args);
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path() / "out")) {
            if (entry.path().filename() == "EBOOT.PBP") {
                const std::string bytes = readFile(entry.path().string());
                std::filesystem::remove_all(dir.path() / "out");
                return Bytes(bytes.begin(), bytes.end());
            }
        }
        return {};
    }

    TempFolder dir;
};

TEST_P(EmulatorRulesTest, EveryReaderFindsWhatItNeeds) {
    std::vector<Bytes> images;
    const std::string source = makeSource(images);
    const Bytes file = convert(source);
    ASSERT_GT(file.size(), kPbpHeaderSize);
    const PbpHeader header = *decodePbpHeader(file);

    bool bootable = false, category = false;
    for (const SfoEntryView& entry : sfoEntries(file, header.paramSfo)) {
        EXPECT_NE(entry.format, 0x0004) << entry.key;
        if (entry.key == "BOOTABLE") bootable = entry.format == 0x0404 && loadLe32(entry.value.data()) == 1;
        if (entry.key == "CATEGORY") category = entry.value == Bytes{'M', 'E', 0};
    }
    EXPECT_TRUE(bootable);
    EXPECT_TRUE(category);

    std::vector<std::uint64_t> blocks{header.dataPsar};
    if (images.size() > 1) {
        blocks.clear();
        for (std::size_t i = 0; i < images.size(); ++i) {
            blocks.push_back(header.dataPsar + loadLe32(&file.at(header.dataPsar + kDiscTableOffset + 4 * i)));
        }
    }
    for (std::size_t i = 0; i < images.size(); ++i) {
        Bytes expected = images[i];
        expected.resize(expected.size() + 150 * kSectorSize, 0);
        EXPECT_EQ(readLikeAnEmulator(file, blocks[i]), expected) << "disc " << i + 1;
    }
}

// A container finished again: the position at +0xBFC that an older container left 0 is
// filled in; the rest of the head stays.
TEST_P(EmulatorRulesTest, FinishingAnOlderContainerFillsInTheImageDataPosition) {
    std::vector<Bytes> images;
    Bytes older = convert(makeSource(images));
    ASSERT_GT(older.size(), kPbpHeaderSize);
    const PbpHeader header = *decodePbpHeader(older);
    std::vector<std::uint64_t> blocks{header.dataPsar};
    if (images.size() > 1) {
        blocks.clear();
        for (std::size_t i = 0; i < images.size(); ++i) {
            blocks.push_back(header.dataPsar + loadLe32(&older.at(header.dataPsar + kDiscTableOffset + 4 * i)));
        }
    }
    for (const std::uint64_t block : blocks) storeLe32(&older.at(block + kImageDataPositionOffset), 0);
    const Bytes finished = convert(dir.write("older.pbp", older));
    ASSERT_EQ(finished.size(), older.size());
    for (const std::uint64_t block : blocks) {
        EXPECT_EQ(loadLe32(&finished.at(block + kImageDataPositionOffset)), kImageDataOffset);
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, EmulatorRulesTest,
                         ::testing::Values(RulesCase{"stored", {"bin"}, "0"}, RulesCase{"deflated", {"bin"}, "9"},
                                           RulesCase{"cue", {"cue"}, "1"}, RulesCase{"discs", {"bin", "cue"}, "9"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillon::testing
