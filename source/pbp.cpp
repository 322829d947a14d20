#include "source/pbp.h"

#include <algorithm>

#include "common/text.h"

namespace quillon {
namespace {

constexpr std::array<std::string_view, 8> kSectionNames{"PARAM.SFO", "ICON0.PNG", "ICON1.PMF", "PIC0.PNG",
                                                        "PIC1.PNG",  "SND0.AT3",  "DATA.PSP",  "DATA.PSAR"};

// The 24-bit offsets from ICON0.PNG to DATA.PSAR, in the order of their header fields.
constexpr std::array<std::uint32_t PbpHeader::*, 7> kOffsetFields{
    &PbpHeader::icon0, &PbpHeader::icon1,   &PbpHeader::pic0,    &PbpHeader::pic1,
    &PbpHeader::snd0,  &PbpHeader::dataPsp, &PbpHeader::dataPsar};

constexpr std::uint64_t kParamSfoField = 8;
constexpr std::uint64_t kIcon0Field = 12;
constexpr std::uint64_t kFieldSize = 4;

std::size_t indexOf(PbpSection section) { return static_cast<std::size_t>(section); }

std::string describe(PbpSection section, std::uint32_t offset) {
    return std::string(kSectionNames[indexOf(section)]) + " (offset " + std::to_string(offset) + ")";
}

Error damaged(const std::string& what) { return Error::format("The PBP file is damaged: " + what + "."); }

}  // namespace

bool isPbpPath(const std::string& path) { return toLowerAscii(extensionOf(path)) == ".pbp"; }

std::uint32_t PbpHeader::offset(PbpSection section) const {
    if (section == PbpSection::ParamSfo) return paramSfo;
    return this->*kOffsetFields[indexOf(section) - 1];
}

std::optional<PbpHeader> decodePbpHeader(std::span<const std::uint8_t> head) {
    const ByteReader reader(head);
    if (!reader.fits(0, kPbpHeaderSize)) return std::nullopt;
    PbpHeader header;
    const auto magic = *reader.bytes(0, kPbpMagic.size());
    std::copy(magic.begin(), magic.end(), header.magic.begin());
    header.version = *reader.le32(4);
    header.paramSfo = *reader.u8(kParamSfoField);
    for (std::size_t i = 0; i < kOffsetFields.size(); ++i) {
        header.*kOffsetFields[i] = *reader.le24(kIcon0Field + kFieldSize * i);
    }
    return header;
}

std::string pbpLayoutFault(const PbpHeader& header, std::uint64_t fileSize) {
    if (header.paramSfo < kPbpHeaderSize) {
        return describe(PbpSection::ParamSfo, header.paramSfo) + " overlaps the header";
    }
    for (std::size_t i = 1; i < kPbpSections.size(); ++i) {
        const PbpSection previous = kPbpSections[i - 1];
        const PbpSection section = kPbpSections[i];
        if (header.offset(section) < header.offset(previous)) {
            return describe(section, header.offset(section)) + " starts before " +
                   describe(previous, header.offset(previous));
        }
    }
    if (header.dataPsar > fileSize) {
        return describe(PbpSection::DataPsar, header.dataPsar) + " lies past the end of the file (" +
               std::to_string(fileSize) + " bytes)";
    }
    return {};
}

Status checkPbpLayout(const PbpHeader& header, std::uint64_t fileSize) {
    const std::string fault = pbpLayoutFault(header, fileSize);
    if (fault.empty()) return {};
    return damaged(fault);
}

std::uint64_t dataPspLength(std::span<const std::uint8_t> head, const PbpHeader& header) {
    if (header.dataPsar <= header.dataPsp) return 0;
    const auto dataPsp = ByteReader(head).bytes(header.dataPsp, header.dataPsar - header.dataPsp);
    if (!dataPsp) return 0;
    const auto lastNonZero =
        std::find_if(dataPsp->rbegin(), dataPsp->rend(), [](std::uint8_t byte) { return byte != 0; });
    return static_cast<std::uint64_t>(dataPsp->rend() - lastNonZero);
}

Expected<std::int64_t> checkIsoMarker(InputFile& file, std::int64_t position, std::int64_t limit) {
    if (position < 0 || limit <= position) return std::int64_t{-1};
    std::array<std::uint8_t, kIsoMarker.size()> marker{};
    if (auto read = file.readExactAt(static_cast<std::uint64_t>(position), marker); !read) {
        return read.error();
    }
    return ByteReader(marker).matches(0, kIsoMarker) ? position : std::int64_t{-1};
}

Expected<std::int64_t> findStartDat(InputFile& file) {
    if (file.size() < kStartDatWindow) return std::int64_t{-1};
    const std::uint64_t windowStart = file.size() - kStartDatWindow;
    const auto window = file.readUpTo(windowStart, kStartDatWindow);
    if (!window) return window.error();
    // The block lies near the end of a container: a backward scan finds it early. Only
    // markers that lie wholly within the bytes read match. The loop reads the buffer
    // directly (its index stays below the count read) to keep this hot scan lean.
    const ByteReader reader(*window);
    const std::uint8_t* const bytes = window->data();
    const auto firstLetter = static_cast<std::uint8_t>(kStartDatMarker.front());
    for (std::size_t i = window->size(); i-- > 0;) {
        if (bytes[i] == firstLetter && reader.matches(i, kStartDatMarker)) {
            return static_cast<std::int64_t>(windowStart + i);
        }
    }
    return std::int64_t{-1};
}

Status checkNoStartScreenMarker(std::span<const std::uint8_t> bytes, const std::string& what) {
    if (std::search(bytes.begin(), bytes.end(), kStartDatMarker.begin(), kStartDatMarker.end()) == bytes.end()) {
        return {};
    }
    return Error::format(what +
                         " cannot be used: it holds the bytes \"STARTDAT\", which mark the "
                         "start-screen block.");
}

Bytes startScreenBlock(std::span<const std::uint8_t> head, std::span<const std::uint8_t> picture,
                       std::span<const std::uint8_t> trailer) {
    Bytes block(head.begin(), head.begin() + std::min<std::size_t>(head.size(), kStartDatPictureOffset));
    block.resize(kStartDatPictureOffset, 0);
    storeLe32(block.data() + kStartDatLengthField, static_cast<std::uint32_t>(kStartDatPictureOffset + picture.size()));
    block.insert(block.end(), picture.begin(), picture.end());
    block.insert(block.end(), trailer.begin(), trailer.end());
    return block;
}

std::optional<Extent> startScreenPicture(std::int64_t blockPosition, std::uint64_t fileSize) {
    if (blockPosition < 0 || fileSize < kStartDatTrailerSize) return std::nullopt;
    const std::uint64_t start = static_cast<std::uint64_t>(blockPosition) + kStartDatPictureOffset;
    const std::uint64_t end = fileSize - kStartDatTrailerSize;
    if (end < start) return std::nullopt;
    return Extent{start, end - start};
}

std::optional<NewLayout> layOutContainer(std::uint32_t icon0Offset, const PieceLengths& pieces,
                                         std::uint64_t dataPspLength) {
    // Every position stays below the last boundary, so no sum can wrap around into a
    // small offset, however long the pieces are.
    constexpr std::uint64_t kLimit = kDataPsarBoundaries.back();
    if (icon0Offset >= kLimit) return std::nullopt;
    std::uint64_t position = icon0Offset;
    bool fits = true;
    const auto advance = [&](std::uint64_t length) {
        fits = fits && length < kLimit - position;
        if (fits) position += length;
        return static_cast<std::uint32_t>(position);
    };
    NewLayout layout;
    layout.icon0 = icon0Offset;
    layout.icon1 = advance(pieces.icon0);
    layout.pic0 = advance(pieces.icon1);
    layout.pic1 = advance(pieces.pic0);
    layout.snd0 = advance(pieces.pic1);
    layout.dataPsp = advance(pieces.snd0);
    layout.end = advance(dataPspLength);
    if (!fits) return std::nullopt;
    layout.dataPsar = *std::find_if(kDataPsarBoundaries.begin(), kDataPsarBoundaries.end(),
                                    [&](std::uint32_t boundary) { return boundary > layout.end; });
    layout.fillerLength = layout.dataPsar - layout.end;
    return layout;
}

bool writeLayoutOffsets(std::span<std::uint8_t> head, const NewLayout& layout) {
    ByteWriter writer(head);
    if (!writer.fits(0, kPbpHeaderSize)) return false;
    const std::array<std::uint32_t, 6> offsets{layout.icon1, layout.pic0,    layout.pic1,
                                               layout.snd0,  layout.dataPsp, layout.dataPsar};
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        writer.putLe24(kIcon0Field + kFieldSize * (i + 1), offsets[i]);
    }
    return true;
}

}  // namespace quillon
