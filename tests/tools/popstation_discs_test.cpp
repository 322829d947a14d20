// The tool's sources beyond a single image file: cue sheets, playlists and several discs.
#include <gtest/gtest.h>

#include "source/disc_files.h"
#include "source/disc_toc.h"
#include "source/multi_disc.h"
#include "source/param_sfo.h"
#include "tools/popstation/disc_image_block.h"
#include "tools/tool_fixture.h"

namespace quillon::popstation {
namespace {

using namespace quillon::popstation::testing;
using quillon::testing::distinctSectors;

// Disc `number` of a game: an image of `size` bytes (at least two blocks) whose boot
// line names SLUS_012.3<number>.
Bytes discImage(int number, std::size_t size) {
    Bytes image = makeImage(size);
    image[0x9340 + kBootLine.find("4;1")] = static_cast<std::uint8_t>('0' + number);
    return image;
}

TEST_F(PopstationToolTest, CueSheetGivesTheWholeDiscWithOneTocEntryPerTrack) {
    const Bytes data = makeImage(300 * kSectorSize);
    const Bytes audio = distinctSectors(200, 7);
    sources.write("Game (Track 1).bin", data);
    sources.write("Game (Track 2).bin", audio);
    const std::string sheet = sources.write(
        "Game.cue", std::string("FILE \"Game (Track 1).bin\" BINARY\r\n  TRACK 01 MODE2/2352\r\n"
                                "    INDEX 01 00:00:00\r\nFILE \"Game (Track 2).bin\" BINARY\r\n"
                                "  TRACK 02 AUDIO\r\n    INDEX 00 00:00:00\r\n    INDEX 01 00:02:00\r\n"));
    const ToolRun result = run({sheet});
    ASSERT_EQ(result.lastLine(), "Done.") << ::testing::PrintToString(result.lines);
    EXPECT_NE(std::ranges::find(result.lines, "Track 02: audio from sector 450 (pregap 150 sectors)"),
              result.lines.end());
    const Container c = container();
    EXPECT_EQ(readParamFields(std::span(c.bytes).first(c.header.icon0()), 0x28).discId,
              "SLUS01234");  // found in the data track

    const std::uint8_t toc[] = {0x41, 0, 0xA0, 0, 0, 0, 0, 0x01, 0x20, 0x00,  //
                                0x01, 0, 0xA1, 0, 0, 0, 0, 0x02, 0x00, 0x00,  //
                                // 500 sectors + 150 = 650 = 00:08:50
                                0x41, 0, 0xA2, 0, 0, 0, 0, 0x00, 0x08, 0x50,  //
                                0x41, 0, 0x01, 0, 0, 0, 0, 0x00, 0x02, 0x00,  //
                                // INDEX 01 at sector 450 = 00:06:00
                                0x01, 0, 0x02, 0, 0x06, 0, 0, 0x00, 0x08, 0x00,  //
                                0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(std::ranges::equal(c.at(c.psar + kTocOffset, sizeof toc), toc));
    EXPECT_EQ(decodeDisc(c, c.psar), paddedToBlocks(quillon::testing::concatenated({data, audio})));
}

struct DiscSet {
    bool playlist;      // the discs listed in a playlist, else given as arguments
    const char* level;  // nullptr: the form of the source alone
    std::vector<std::size_t> sizes;
};

class PopstationDiscSetTest : public PopstationToolTest, public ::testing::WithParamInterface<DiscSet> {
protected:
    // Runs the tool on the discs, checks it succeeded and gives the images.
    std::vector<Bytes> packDiscs() {
        std::vector<Bytes> images;
        std::vector<std::string> paths;
        std::string playlist;
        for (std::size_t i = 0; i < GetParam().sizes.size(); ++i) {
            const std::string name = "disc " + std::to_string(i + 1) + ".bin";
            images.push_back(discImage(static_cast<int>(i + 1), GetParam().sizes[i]));
            paths.push_back(writeImage(images.back(), name));
            playlist += name + "\n";
        }
        if (GetParam().playlist) paths = {sources.write("Game.m3u", playlist)};
        std::vector<std::string> args = paths;
        if (GetParam().level) {
            args.insert(args.begin(), {"Some Game", "SLPM86023", GetParam().level});
        }
        const ToolRun result = run(args);
        EXPECT_EQ(result.lastLine(), "Done.") << ::testing::PrintToString(result.lines);
        return images;
    }
    std::string discId(std::size_t disc) const {
        if (disc == 0 && GetParam().level) return "SLPM86023";
        return "SLUS0123" + std::to_string(disc + 1);
    }
};

TEST_P(PopstationDiscSetTest, EachDiscGetsItsOwnBlockNamedInTheDiscTable) {
    const std::vector<Bytes> images = packDiscs();
    const Container c = container();
    const std::string title = GetParam().level ? "Some Game" : "";
    const ParamFields sfo = readParamFields(std::span(c.bytes).first(c.header.icon0()), 0x28);
    EXPECT_EQ(sfo.title, title);
    EXPECT_EQ(sfo.discId, discId(0));

    EXPECT_EQ(c.text(c.psar, 16), "PSTITLEIMG000000");
    std::vector<std::uint64_t> blocks;
    for (std::size_t slot = 0; slot < kMaxDiscs; ++slot) {
        const std::uint32_t offset = loadLe32(&c.bytes[c.psar + kDiscTableOffset + 4 * slot]);
        EXPECT_EQ(offset == 0, slot >= images.size()) << slot;
        EXPECT_EQ(offset % kDiscAlignment, 0u) << slot;
        if (offset != 0) blocks.push_back(c.psar + offset);
    }
    ASSERT_EQ(blocks.size(), images.size());
    EXPECT_EQ(blocks[0], c.psar + kDiscAlignment);
    const auto isZero = [](std::uint8_t b) { return b == 0; };
    EXPECT_TRUE(std::ranges::all_of(c.at(c.psar + 16, kDiscTableOffset - 16), isZero));
    const std::uint64_t afterTable = kDiscTableOffset + 4 * kMaxDiscs;
    EXPECT_TRUE(std::ranges::all_of(c.at(c.psar + afterTable, kDiscAlignment - afterTable), isZero));
    auto file = InputFile::open(ebootPath());
    EXPECT_EQ(*readDiscTable(*file, c.psar), blocks);

    std::uint64_t end = 0;
    for (std::size_t disc = 0; disc < images.size(); ++disc) {
        const std::uint64_t block = blocks[disc];
        if (disc > 0) {  // the filler in front of the disc's block
            EXPECT_TRUE(std::ranges::all_of(c.at(end, block - end), isZero)) << disc;
            EXPECT_LT(block - end, kDiscAlignment) << disc;
        }
        EXPECT_EQ(c.text(block, 12), "PSISOIMG0000");
        EXPECT_EQ(c.text(block + 0x400, 12), discIdText(discId(disc)) + std::string(1, '\0'));
        EXPECT_EQ(c.text(block + 0x122C, title.size() + 1), title + std::string(1, '\0'));
        const Bytes toc = encodeToc({DiscTrack{}}, images[disc].size());
        EXPECT_TRUE(std::ranges::equal(c.at(block + kTocOffset, toc.size()), toc)) << disc;
        EXPECT_EQ(decodeDisc(c, block), paddedToBlocks(images[disc])) << disc;
        std::size_t count = 0;
        while (!c.indexEntry(count, block).isEnd()) ++count;
        end = block + kImageDataOffset + c.indexEntry(count, block).offset;
    }
    EXPECT_EQ(c.startDat(), end);  // right after the last disc's blocks
}

INSTANTIATE_TEST_SUITE_P(Sets, PopstationDiscSetTest,
                         ::testing::Values(DiscSet{false, "9", {5 * kImageBlockSize + 100, 3 * kImageBlockSize}},
                                           DiscSet{true,
                                                   nullptr,
                                                   {2 * kImageBlockSize + 1, 2 * kImageBlockSize + 5000,
                                                    4 * kImageBlockSize - 1}}));

struct SourceError {
    const char* playlist;  // nullptr: no playlist
    std::vector<const char*> args;
    const char* message;  // a whole line of the output, with "@" for the sources folder
};

class PopstationSourceErrorTest : public PopstationToolTest, public ::testing::WithParamInterface<SourceError> {};

TEST_P(PopstationSourceErrorTest, GivesItsMessageAndWritesNothing) {
    for (const char* name : {"a.bin", "b.bin", "c.bin", "d.bin", "e.bin", "f.bin"}) {
        writeImage(Bytes(5000, 1), name);
    }
    writeImage(Bytes(100, 1), "old.pbp");
    sources.write("other.m3u", std::string("a.bin\n"));
    if (GetParam().playlist) sources.write("game.m3u", std::string(GetParam().playlist));
    std::vector<std::string> args;
    for (const char* arg : GetParam().args) {
        args.push_back(std::string(arg).starts_with("@") ? sources.file(arg + 1) : arg);
    }
    const ToolRun result = run(args);
    expectNoOutput(result);
    std::string message = GetParam().message;
    for (std::size_t at; (at = message.find('@')) != std::string::npos;) {
        message.replace(at, 1, sources.folder());
    }
    EXPECT_NE(std::ranges::find(result.lines, message), result.lines.end()) << ::testing::PrintToString(result.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, PopstationSourceErrorTest,
    ::testing::Values(
        SourceError{"# no disc\n", {"@game.m3u"}, "Error: Playlist \"@game.m3u\", line 1: the playlist names no disc"},
        SourceError{"a.bin\nb.bin\nc.bin\nd.bin\ne.bin\nf.bin\n",
                    {"@game.m3u"},
                    "Error: Playlist \"@game.m3u\", line 6: a game holds at most five discs"},
        SourceError{"a.bin\r\nlost.bin\r\n",
                    {"@game.m3u"},
                    "Error: Playlist \"@game.m3u\", line 2: the disc file \"@lost.bin\" is missing"},
        SourceError{"a.bin\nother.m3u\n",
                    {"@game.m3u"},
                    "Error: Playlist \"@game.m3u\", line 2: \"@other.m3u\" is a playlist, not a disc"},
        SourceError{"old.pbp\n",
                    {"@game.m3u"},
                    "Error: Playlist \"@game.m3u\", line 1: \"@old.pbp\" is a PBP container, not a "
                    "disc image"},
        SourceError{"a.bin\n", {"@a.bin", "@game.m3u"}, "Error: The playlist \"@game.m3u\" must be the only source."},
        SourceError{nullptr, {"@a.bin", "@old.pbp"}, "Error: \"@old.pbp\" is a PBP container, not a disc image."},
        SourceError{nullptr,
                    {"@a.bin", "@b.bin", "@c.bin", "@d.bin", "@e.bin", "@f.bin"},
                    "6 sources given: a container holds at most five discs."}));

}  // namespace
}  // namespace quillon::popstation
