#include "source/pbp.h"

#include <algorithm>

#include "common/text.h"
#include "source/source_kinds.h"

namespace quillon {
namespace {

constexpr std::array<std::string_view, 8> kSectionNames{"PARAM.SFO", "ICON0.PNG", "ICON1.PMF", "PIC0.PNG",
                                                        "PIC1.PNG",  "SND0.AT3",  "DATA.PSP",  "DATA.PSAR"};

constexpr std::uint64_t kParamSfoField = 8;
constexpr std::uint64_t kFieldSize = 4;

std::size_t indexOf(PbpSection section) { return static_cast<std::size_t>(section); }

// The header field of a section: PARAM.SFO's at 8, then one for each section in order.
std::uint64_t fieldPosition(PbpSection section) { return kParamSfoField + kFieldSize * indexOf(section); }

// The offset of a section from ICON0.PNG on, in a header or a new layout.
template <typename Offsets>
auto& offsetIn(Offsets& offsets, PbpSection section) {
    if (section == PbpSection::DataPsp) return offsets.dataPsp;
    if (section == PbpSection::DataPsar) return offsets.dataPsar;
    return offsets.artwork[indexOf(section) - indexOf(PbpSection::Icon0)];
}

// The sections whose offsets are 24-bit fields: all but PARAM.SFO.
constexpr std::span<const PbpSection> kOffsetSections = std::span(kPbpSections).subspan(1);

std::string describe(PbpSection section, std::uint32_t offset) {
    return std::string(kSectionNames[indexOf(section)]) + " (offset " + std::to_string(offset) + ")";
}

Error damaged(const std::string& what) { return Error::format("The PBP file is damaged: " + what + "."); }

}  // namespace

bool isPbpPath(const std::string& path) { return sourceTypeOf(path) == SourceType::Pbp; }

std::uint32_t PbpHeader::offset(PbpSection section) const {
    if (section == PbpSection::ParamSfo) return paramSfo;
    return offsetIn(*this, section);
}

std::optional<PbpHeader> decodePbpHeader(std::span<const std::uint8_t> head) {
    const ByteReader reader(head);
    if (!reader.fits(0, kPbpHeaderSize)) return std::nullopt;
    PbpHeader header;
    const auto magic = *reader.bytes(0, kPbpMagic.size());
    std::copy(magic.begin(), magic.end(), header.magic.begin());
    header.version = *reader.le32(4);
    header.paramSfo = *reader.u8(kParamSfoField);
    for (const PbpSection section : kOffsetSections) offsetIn(header, section) = *reader.le24(fieldPosition(section));
    return header;
}

Bytes encodePbpHeader(const PbpHeader& header) {
    Bytes bytes(kPbpHeaderSize, 0);
    ByteWriter writer(bytes);
    writer.putBytes(0, header.magic);
    writer.putLe32(4, header.version);
    writer.putLe32(kParamSfoField, header.paramSfo);
    for (const PbpSection section : kOffsetSections) writer.putLe24(fieldPosition(section), header.offset(section));
    return bytes;
}

std::optional<std::string> pbpLayoutFault(const PbpHeader& header, std::uint64_t fileSize) {
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
    return std::nullopt;
}

Status checkPbpLayout(const PbpHeader& header, std::uint64_t fileSize) {
    if (const auto fault = pbpLayoutFault(header, fileSize)) return damaged(*fault);
    return {};
}

std::uint64_t dataPspLength(std::span<const std::uint8_t> head, const PbpHeader& header) {
    if (header.dataPsar <= header.dataPsp) return 0;
    const auto dataPsp = ByteReader(head).bytes(header.dataPsp, header.dataPsar - header.dataPsp);
    if (!dataPsp) return 0;
    const auto lastNonZero =
        std::find_if(dataPsp->rbegin(), dataPsp->rend(), [](std::uint8_t byte) { return byte != 0; });
    return static_cast<std::uint64_t>(dataPsp->rend() - lastNonZero);
}

Expected<bool> hasIsoMarkerAt(InputFile& file, std::uint64_t position, std::uint64_t limit) {
    if (limit <= position) return false;
    std::array<std::uint8_t, kIsoMarker.size()> marker{};
    if (auto read = file.readExactAt(position, marker); !read) return read.error();
    return ByteReader(marker).matches(0, kIsoMarker);
}

Expected<std::optional<std::uint64_t>> findStartDat(InputFile& file) {
    using Found = std::optional<std::uint64_t>;
    if (file.size() < kStartDatWindow) return Found();
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
            return Found(windowStart + i);
        }
    }
    return Found();
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

std::optional<Extent> startScreenPicture(std::uint64_t blockPosition, std::uint64_t fileSize) {
    if (fileSize < kStartDatTrailerSize || blockPosition > fileSize) return std::nullopt;
    const std::uint64_t start = blockPosition + kStartDatPictureOffset;
    const std::uint64_t end = fileSize - kStartDatTrailerSize;
    if (end < start) return std::nullopt;
    return Extent{start, end - start};
}

std::optional<NewLayout> layOutContainer(std::uint32_t icon0Offset, const ArtworkLengths& pieces,
                                         std::uint64_t dataPspLength) {
    // Every position stays below the last boundary, so no sum can wrap around into a
    // small offset, however long the pieces are.
    constexpr std::uint64_t kLimit = kDataPsarBoundaries.back();
    if (icon0Offset >= kLimit) return std::nullopt;
    NewLayout layout;
    std::uint64_t position = icon0Offset;
    const auto place = [&](std::uint32_t& offset, std::uint64_t length) {
        offset = static_cast<std::uint32_t>(position);
        if (length >= kLimit - position) return false;
        position += length;
        return true;
    };
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (!place(layout.artwork[i], pieces[i])) return std::nullopt;
    }
    if (!place(layout.dataPsp, dataPspLength)) return std::nullopt;
    layout.end = position;
    layout.dataPsar = *std::find_if(kDataPsarBoundaries.begin(), kDataPsarBoundaries.end(),
                                    [&](std::uint32_t boundary) { return boundary > layout.end; });
    layout.fillerLength = layout.dataPsar - layout.end;
    return layout;
}

bool writeLayoutOffsets(std::span<std::uint8_t> head, const NewLayout& layout) {
    ByteWriter writer(head);
    if (!writer.fits(0, kPbpHeaderSize)) return false;
    // ICON0.PNG stays where it is.
    for (const PbpSection section : kOffsetSections.subspan(1)) {
        writer.putLe24(fieldPosition(section), offsetIn(layout, section));
    }
    return true;
}

}  // namespace quillon
