// The PBP container: its 40-byte header, the disc-image block ("PSISOIMG") at the
// DATA.PSAR offset, the start-screen block ("STARTDAT") near the end of the file,
// and the layout of a new container.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "common/bytes.h"
#include "common/expected.h"
#include "common/file_io.h"

namespace quillon {

inline constexpr std::size_t kPbpHeaderSize = 40;
inline constexpr std::array<std::uint8_t, 4> kPbpMagic{0x00, 'P', 'B', 'P'};
// The name of the container a PSP starts, as the tool and a conversion write it.
inline constexpr const char* kEbootName = "EBOOT.PBP";
// The popstation tool's report while it packs, followed by the whole percentage and
// "%"; a conversion reads it from the tool's output to show progress.
inline constexpr std::string_view kPackingReport = "Writing EBOOT.PBP... ";
// The option, in front of the sources, by which the project's own popstation tool
// deflates every block at the strongest level; a tool that a user placed in Files does
// not know it.
inline constexpr std::string_view kStrongestOption = "--max-compression";
// The tool's help line of that option. The tool's program file holds it as this text,
// whole: by it a conversion tells the project's own tool from another.
inline constexpr char kStrongestOptionHelp[] =
    "--max-compression deflates every block at the strongest level (12, beyond the usual 9): "
    "the smallest container, at several times the time of level 9.";

// Whether `path` names a container: the extension ".pbp" in any letter case.
bool isPbpPath(const std::string& path);

// Positions inside the disc-image block, from the start of DATA.PSAR.
inline constexpr std::string_view kIsoMarker = "PSISOIMG";
inline constexpr std::uint64_t kDiscIdTextOffset = 0x400;  // "_SLUS_01234"
inline constexpr std::size_t kDiscIdTextSize = 12;
inline constexpr std::uint64_t kSaveTitleOffset = 0x122C;
inline constexpr std::size_t kSaveTitleSize = 128;

// The save title as a disc-image block holds it: as many whole characters as fit into
// its 128 bytes (a title of 128 bytes has no terminating zero).
inline std::string_view storedSaveTitle(std::string_view title) { return wholeCharactersWithin(title, kSaveTitleSize); }
inline constexpr std::uint64_t kImageHeadSize = 0x12AC;  // 4,780: the part readers and writers touch
inline constexpr std::uint64_t kImageDataOffset = 0x100000;
// Where the block says its image data starts (kImageDataOffset): one emulator reads every
// block from there and takes 0 for the block's own start; the others assume 0x100000.
inline constexpr std::uint64_t kImageDataPositionOffset = 0xBFC;

// The start-screen block.
inline constexpr std::string_view kStartDatMarker = "STARTDAT";
inline constexpr std::uint64_t kStartDatWindow = 0xFFFFF;  // searched at the end of the file
inline constexpr std::uint64_t kStartDatPictureOffset = 80;
inline constexpr std::uint64_t kStartDatLengthField = 20;
inline constexpr std::uint64_t kStartDatTrailerSize = 4976;
// The largest picture whose start-screen block still lies within the final bytes of the
// file in which readers look for it.
inline constexpr std::size_t kMaxStartScreenPicture = kStartDatWindow - kStartDatPictureOffset - kStartDatTrailerSize;

enum class PbpSection { ParamSfo, Icon0, Icon1, Pic0, Pic1, Snd0, DataPsp, DataPsar };
// The sections in the order of their header fields, which is also their order in the file.
inline constexpr std::array<PbpSection, 8> kPbpSections{PbpSection::ParamSfo, PbpSection::Icon0,   PbpSection::Icon1,
                                                        PbpSection::Pic0,     PbpSection::Pic1,    PbpSection::Snd0,
                                                        PbpSection::DataPsp,  PbpSection::DataPsar};

// The section after `section` in the file (DATA.PSAR: itself).
inline PbpSection nextSection(PbpSection section) {
    const auto i = static_cast<std::size_t>(section);
    return kPbpSections[i + 1 < kPbpSections.size() ? i + 1 : i];
}

// The artwork and sound sections, ICON0.PNG to SND0.AT3: arrays of them are indexed
// in this order, which is that of kArtworkKinds.
inline constexpr std::size_t kArtworkSectionCount = 5;
template <typename T>
using PerArtworkSection = std::array<T, kArtworkSectionCount>;

// The section of the artwork kind at `index` of kArtworkKinds, whose order is the order
// of the sections from ICON0.PNG to SND0.AT3.
inline PbpSection artworkSection(std::size_t index) { return kPbpSections[index + 1]; }

struct PbpHeader {
    std::array<std::uint8_t, 4> magic{};
    std::uint32_t version = 0;
    std::uint8_t paramSfo = 0;  // the lowest byte of its field only
    // The three lower bytes of each field; the highest byte is not part of the offset.
    PerArtworkSection<std::uint32_t> artwork{};
    std::uint32_t dataPsp = 0, dataPsar = 0;

    bool hasMagic() const { return magic == kPbpMagic; }
    std::uint32_t icon0() const { return artwork.front(); }
    std::uint32_t offset(PbpSection section) const;
};

// Decodes the first 40 bytes of `head`; nullopt when it holds fewer.
std::optional<PbpHeader> decodePbpHeader(std::span<const std::uint8_t> head);
// The 40 bytes that decode as `header`, the highest byte of each offset field zero.
Bytes encodePbpHeader(const PbpHeader& header);

// Checks that the offsets from ICON0.PNG to DATA.PSAR do not decrease, that PARAM.SFO
// lies behind the header and before ICON0.PNG, and that DATA.PSAR lies within a file
// of `fileSize` bytes. The error's message says what is wrong, for a user to read.
Status checkPbpLayout(const PbpHeader& header, std::uint64_t fileSize);
// The same check: what is wrong, as a clause ("DATA.PSAR (offset 9) lies past the end
// of the file (8 bytes)"); nullopt when nothing is.
std::optional<std::string> pbpLayoutFault(const PbpHeader& header, std::uint64_t fileSize);

// A stretch of a file.
struct Extent {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

// Length of DATA.PSP without the zero bytes at its end, taken from `head`, which holds
// the container from its start at least up to the DATA.PSAR offset; 0 when DATA.PSP
// holds only zeros or does not lie within `head`.
std::uint64_t dataPspLength(std::span<const std::uint8_t> head, const PbpHeader& header);

// Whether "PSISOIMG" stands at `position` and the position is below `limit`. A read that
// fails (also one that ends fewer than 8 bytes after the position) is an error.
Expected<bool> hasIsoMarkerAt(InputFile& file, std::uint64_t position, std::uint64_t limit);

// Position of the last "STARTDAT" within the file's final 1,048,575 bytes, found by one
// read and a backward scan; none when there is none or the file is shorter than that.
Expected<std::optional<std::uint64_t>> findStartDat(InputFile& file);

// Refuses `bytes` that hold "STARTDAT", naming them as `what`: a picture or trailer that
// does cannot go into a start-screen block, as the search for the block would find the
// marker inside it.
Status checkNoStartScreenMarker(std::span<const std::uint8_t> bytes, const std::string& what);

// A start-screen block: `head` (its first 80 bytes, "STARTDAT" at 0) with 80 plus the
// picture's length in the field at 20, then the picture, then the trailer.
Bytes startScreenBlock(std::span<const std::uint8_t> head, std::span<const std::uint8_t> picture,
                       std::span<const std::uint8_t> trailer);

// The start-screen picture of a block at `blockPosition` in a file of `fileSize` bytes:
// from blockPosition + 80 to fileSize - 4,976; nullopt when that extent is negative.
std::optional<Extent> startScreenPicture(std::uint64_t blockPosition, std::uint64_t fileSize);

// The layout of a new container.
using ArtworkLengths = PerArtworkSection<std::uint64_t>;
struct NewLayout {
    PerArtworkSection<std::uint32_t> artwork{};
    std::uint32_t dataPsp = 0, dataPsar = 0;
    std::uint64_t end = 0;           // E: the new DATA.PSP offset plus the DATA.PSP length
    std::uint64_t fillerLength = 0;  // zero bytes from E up to the new DATA.PSAR offset
};
inline constexpr std::array<std::uint32_t, 4> kDataPsarBoundaries{0x50000, 0xA0000, 0x140000, 0x280000};
// nullopt when E reaches 2,621,440 (the front part is too big: error 10).
std::optional<NewLayout> layOutContainer(std::uint32_t icon0Offset, const ArtworkLengths& pieces,
                                         std::uint64_t dataPspLength);
// Writes the new offsets into the three lower bytes of the fields at 16 to 36 of
// `head`, leaving each field's highest byte and the first 16 bytes as they are; false
// (and nothing written) when `head` is shorter than the header.
bool writeLayoutOffsets(std::span<std::uint8_t> head, const NewLayout& layout);

}  // namespace quillon
