// Builds PBP containers for tests: header, PARAM.SFO, the five artwork and sound
// sections, DATA.PSP, a disc-image block ("PSISOIMG" head, image data) and a
// start-screen block ("STARTDAT", picture, trailer).
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "source/param_sfo.h"
#include "source/pbp.h"

namespace quillon::testing {

inline Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

struct ContainerRecipe {
    std::optional<std::string> discId = "SLUS01234";  // nullopt: no DISC_ID key
    std::optional<std::string> title = "Test Game";   // nullopt: no TITLE key
    bool bootable = false;                            // a BOOTABLE key of 1, as DuckStation needs
    Bytes icon0 = bytesOf("icon0 picture");
    Bytes icon1 = bytesOf("icon1 movie");
    Bytes pic0 = bytesOf("pic0 picture");
    Bytes pic1 = bytesOf("pic1 picture");
    Bytes snd0 = bytesOf("snd0 sound");
    Bytes dataPsp = bytesOf("data.psp");
    bool isoMarker = true;  // DATA.PSAR begins with "PSISOIMG"
    std::string saveTitle = "Test Save";
    std::uint32_t imageDataPosition = 0;  // at +0xBFC of the disc-image block: 0 in older containers
    std::size_t imageDataSize = 4096;
    std::optional<Bytes> startPicture = bytesOf("start-screen picture");  // nullopt: no block
    std::optional<std::uint32_t> dataPsar = std::nullopt;  // nullopt: the next 4 KiB boundary after DATA.PSP
};

inline Bytes buildParamSfoFor(const ContainerRecipe& parts) {
    std::vector<SfoEntry> entries{{"CATEGORY", false, "ME", 0, 4}};
    if (parts.bootable) entries.push_back({"BOOTABLE", true, "", 1, 4});
    if (parts.discId) entries.push_back({"DISC_ID", false, *parts.discId, 0, 16});
    if (parts.title) entries.push_back({"TITLE", false, *parts.title, 0, 128});
    return buildParamSfo(entries);
}

// Offsets of the header fields from ICON0.PNG (12) to DATA.PSAR (36).
inline std::size_t headerField(PbpSection section) { return 8 + 4 * static_cast<std::size_t>(section); }

inline void setHeaderOffset(Bytes& container, PbpSection section, std::uint32_t offset) {
    storeLe32(container.data() + headerField(section), offset);
}

inline Bytes buildContainer(const ContainerRecipe& parts) {
    Bytes out(kPbpHeaderSize, 0);
    std::copy(kPbpMagic.begin(), kPbpMagic.end(), out.begin());
    storeLe32(out.data() + 4, 0x10000);
    const auto append = [&out](PbpSection section, const Bytes& piece) {
        setHeaderOffset(out, section, static_cast<std::uint32_t>(out.size()));
        out.insert(out.end(), piece.begin(), piece.end());
    };
    append(PbpSection::ParamSfo, buildParamSfoFor(parts));
    append(PbpSection::Icon0, parts.icon0);
    append(PbpSection::Icon1, parts.icon1);
    append(PbpSection::Pic0, parts.pic0);
    append(PbpSection::Pic1, parts.pic1);
    append(PbpSection::Snd0, parts.snd0);
    append(PbpSection::DataPsp, parts.dataPsp);
    out.resize(parts.dataPsar.value_or((out.size() + 0xFFF) & ~std::size_t{0xFFF}), 0);

    Bytes psar(kImageDataOffset + parts.imageDataSize, 0);
    if (parts.isoMarker) {
        ByteWriter w(psar);
        w.putPaddedText(0, "PSISOIMG0000", 12);
        const std::string id = parts.discId.value_or("");
        w.putPaddedText(kDiscIdTextOffset, "_" + id.substr(0, 4) + "_" + id.substr(std::min<std::size_t>(4, id.size())),
                        kDiscIdTextSize);
        w.putPaddedText(kSaveTitleOffset, parts.saveTitle, kSaveTitleSize);
        w.putLe32(kImageDataPositionOffset, parts.imageDataPosition);
    }
    for (std::size_t i = kImageDataOffset; i < psar.size(); ++i) psar[i] = static_cast<std::uint8_t>(i * 7);
    append(PbpSection::DataPsar, psar);

    if (parts.startPicture) {
        Bytes block(kStartDatPictureOffset, 0);
        ByteWriter(block).putBytes(0, asBytes(kStartDatMarker));
        storeLe32(block.data() + kStartDatLengthField,
                  static_cast<std::uint32_t>(kStartDatPictureOffset + parts.startPicture->size()));
        block.insert(block.end(), parts.startPicture->begin(), parts.startPicture->end());
        block.resize(block.size() + kStartDatTrailerSize, 0xEE);
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}

}  // namespace quillon::testing
