// Writes the seed corpus of the fuzz targets into the folder given: one sub-folder per
// target with a few well-formed inputs, made here so that no binary file is kept.
#include <filesystem>
#include <iostream>

#include "common/file_io.h"
#include "source/image_index.h"
#include "source/param_sfo.h"
#include "source/pbp.h"
#include "support/chd_writer.h"
#include "support/disc_set.h"

namespace quillon {
namespace {

void append(Bytes& to, std::string_view text) { to.insert(to.end(), text.begin(), text.end()); }
void append(Bytes& to, const Bytes& bytes) { to.insert(to.end(), bytes.begin(), bytes.end()); }

Bytes sampleParamSfo() {
    return buildParamSfo({{"TITLE", false, "Sample Game", 0, 128},
                          {"DISC_ID", false, "SLUS01234", 0, 16},
                          {"CATEGORY", false, "ME", 0, 4},
                          {"REGION", true, "", 0x8000, 4}});
}

// A small well-formed container: the sections follow each other without the program's
// boundaries, DATA.PSAR holds the head of a disc-image block and a start-screen block.
// The last byte selects how the container fuzz target pads the file.
Bytes sampleContainer(std::uint8_t lastByte) {
    Bytes file(kPbpHeaderSize, 0);
    std::copy(kPbpMagic.begin(), kPbpMagic.end(), file.begin());
    storeLe32(&file[4], 0x10000);
    storeLe32(&file[8], kPbpHeaderSize);
    append(file, sampleParamSfo());
    for (std::size_t field = 12; field <= 32; field += 4) {
        storeLe32(&file[field], static_cast<std::uint32_t>(file.size()));
        if (field == 12) append(file, "\x89PNG icon");
        if (field == 24) append(file, "\x89PNG background");
        if (field == 32) append(file, std::string_view("PSP data\0\0\0\0", 12));
    }
    storeLe32(&file[36], static_cast<std::uint32_t>(file.size()));
    Bytes block(kImageHeadSize + 64, 0);
    ByteWriter writer(block);
    writer.putPaddedText(0, "PSISOIMG0000", 12);
    writer.putPaddedText(kDiscIdTextOffset, "_SLUS_01234", kDiscIdTextSize);
    writer.putPaddedText(kSaveTitleOffset, "Sample Game", kSaveTitleSize);
    append(file, block);
    const std::size_t startDat = file.size();
    append(file, kStartDatMarker);
    file.resize(startDat + kStartDatPictureOffset, 0);
    storeLe32(&file[startDat + kStartDatLengthField], static_cast<std::uint32_t>(kStartDatPictureOffset + 4));
    append(file, "\x89PNG");
    file.resize(file.size() + kStartDatTrailerSize, 0);
    file.back() = lastByte;
    return file;
}

// Two blocks of an image with PAL code, deflated at level 9, as the block index target
// reads its input: the index table, the stored blocks, then the number of table entries
// (which the target takes from the input's end).
Bytes indexedBlocks() {
    Bytes image(2 * kImageBlockSize, 0);
    const std::uint8_t code[] = {0x13, 0x00, 0x91, 0x24, 0x10, 0x00, 0x91, 0x24};
    std::copy(std::begin(code), std::end(code), image.begin() + kImageBlockSize - 3);
    std::vector<IndexEntry> entries;
    Bytes stored;
    for (std::size_t at = 0; at < image.size(); at += kImageBlockSize) {
        const auto block = std::span(image).subspan(at, kImageBlockSize);
        const Bytes packed = storeBlock(block, 9);
        IndexEntry entry;
        entry.offset = static_cast<std::uint32_t>(stored.size());
        entry.storedSize = static_cast<std::uint16_t>(packed.size());
        entry.sha1Prefix = blockChecksum(block);
        entries.push_back(entry);
        append(stored, packed);
    }
    Bytes input = encodeIndex(entries);
    append(input, stored);
    input.push_back(static_cast<std::uint8_t>(entries.size() + 1));
    return input;
}

// An image of a few PAL codes among other bytes, for the patch target.
Bytes palCode() {
    Bytes input(4096, 0);
    const std::uint8_t code[] = {0x13, 0x00, 0x90, 0x24, 0x10, 0x00, 0x90, 0x24};
    for (std::size_t at = 0; at + 8 < input.size(); at += 997)
        std::copy(std::begin(code), std::end(code), input.begin() + at);
    return input;
}

// A container of `discs` as the verification target takes it: the zero bytes between
// each disc-image block's index and its image data left out, and said where they go.
Bytes verifiedContainer(const std::vector<testing::TestDisc>& discs) {
    const Bytes file = testing::readableContainer(discs);
    constexpr std::uint64_t kRunStart = kIndexOffset + 0x1000;  // past the few entries of the index
    Bytes input{static_cast<std::uint8_t>(discs.size())};
    Bytes body;
    std::uint64_t copied = 0;
    for (const std::uint64_t block : testing::discBlockPositions(file, discs)) {
        body.insert(body.end(), file.begin() + static_cast<std::ptrdiff_t>(copied),
                    file.begin() + static_cast<std::ptrdiff_t>(block + kRunStart));
        Bytes run(8);
        storeLe32(&run[0], static_cast<std::uint32_t>(body.size()));
        storeLe32(&run[4], static_cast<std::uint32_t>(kImageDataOffset - kRunStart));
        append(input, run);
        copied = block + kImageDataOffset;
    }
    body.insert(body.end(), file.begin() + static_cast<std::ptrdiff_t>(copied), file.end());
    append(input, body);
    return input;
}

// A small disc as a CHD: a data track of 20 sectors and an audio track of 13 behind a
// stored pregap of 3, its sectors mostly zeros (small hunks, quick to fuzz). The
// compressed one has cdzl and cdzs hunks, a stored one and a copy (of zeros).
testing::TestChd seedChd() {
    Bytes data(20 * kSectorSize, 0), audio(16 * kSectorSize, 0);
    for (std::size_t i = 0; i < data.size(); i += 500) data[i] = static_cast<std::uint8_t>(i / 500);
    for (std::size_t i = 3 * kSectorSize; i < 4 * kSectorSize; i += 300) audio[i] = static_cast<std::uint8_t>(i);
    using Track = testing::TestTrack;
    testing::TestChd chd = testing::testChdOf({{Track::Mode::Mode2, 0, 0, data}, {Track::Mode::Audio, 3, 0, audio}});
    using How = testing::TestChdHunk::How;
    chd.hunks = {{How::Codec, 0}, {How::Codec, 1}, {How::Codec, 0}, {How::Stored}, {How::CopyOf, 0, 3}};
    return chd;
}

Bytes text(std::string_view content) { return Bytes(content.begin(), content.end()); }

Bytes withPosition(std::uint8_t position, const Bytes& head) {
    Bytes input{position};
    append(input, head);
    return input;
}

Status writeSeeds(const std::string& root) {
    const Bytes sfo = sampleParamSfo();
    Bytes containerHead(kPbpHeaderSize, 0);
    append(containerHead, sfo);
    const std::vector<std::pair<std::string, Bytes>> seeds{
        {"container/plain", sampleContainer(0)},
        {"container/window", sampleContainer(2)},
        {"block_index/level-9", indexedBlocks()},
        {"block_patch/code", palCode()},
        {"verify/one-disc",
         verifiedContainer({testing::discWithTail(testing::compressibleBytes(100 * kSectorSize), 9)})},
        {"verify/two-discs",
         verifiedContainer({testing::discWithTail(testing::compressibleBytes(40 * kSectorSize), 9),
                            testing::discWithTail(testing::compressibleBytes(30 * kSectorSize, 3), 9)})},
        {"param_sfo/at-0", withPosition(0, sfo)},
        {"param_sfo/at-40", withPosition(kPbpHeaderSize, containerHead)},
        {"game_list/example", text("A;B;Europe;Some Game [Disc 1]\r\nX")},
        {"game_list/lines", text("SLUS-01234;x;USA;A Game\r\nSCES-12345;y;Europe;Other  [Disc 2]\r\r"
                                 "no fields\rK;Title\n\r")},
        {"cue_sheet/two-files", text("FILE \"a.bin\" BINARY\r\n  TRACK 01 MODE2/2352\r\n"
                                     "    INDEX 01 00:00:00\r\nFILE b.bin BINARY\r\n  TRACK 02 AUDIO\r\n"
                                     "    INDEX 00 00:00:00\r\n    INDEX 01 00:00:01\r\n")},
        {"cue_sheet/one-file", text("REM x\nfile a.bin binary\ntrack 01 mode1/2352\nindex 01 00:00:00\n"
                                    "track 02 audio\npregap 00:02:00\nindex 00 00:00:02\nindex 01 00:00:03\n")},
        {"cue_sheet/playlist", text("#EXTM3U\r\na.bin\r\nb.bin\r\n")},
        {"chd/compressed", testing::writeTestChd(seedChd())},
        {"chd/plain-map", testing::writePlainTestChd(seedChd())},
        {"settings/options", text("[Options]\r\ndefWarning=C:\\pics\\warn.png\r\nfolderOption=2\r\n"
                                  "Compression=9\r\n\r\n; note\r\n[Other]\r\nx=0x1F\r\ny=$ff\r\n")},
    };
    for (const auto& [name, content] : seeds) {
        const std::string path = root + kPathSeparator + name;
        std::error_code ec;
        std::filesystem::create_directories(toFsPath(path).parent_path(), ec);
        if (auto written = writeFileAtomically(path, content); !written) return written;
    }
    return {};
}

}  // namespace
}  // namespace quillon

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "Usage: quillon_fuzz_seeds FOLDER\n";
        return 2;
    }
    if (const auto written = quillon::writeSeeds(argv[1]); !written) {
        std::cerr << written.error().message << "\n";
        return 1;
    }
    return 0;
}
