// Containers made in a test: a header, PARAM.SFO, the five pieces, DATA.PSP, a
// disc-image block whose head and index area carry recognisable bytes, the image data
// and a start-screen block with its picture and trailer.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.h"
#include "source/param_sfo.h"
#include "source/pbp.h"

namespace quillon::testing {

// Bytes that follow a simple rule, so a misplaced or lost byte shows. Steps of 13
// never give 13 00, so no PAL pattern appears by chance.
inline Bytes patternBytes(std::size_t count, std::uint8_t seed = 1) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(seed + 13 * i);
    return bytes;
}

struct ContainerParts {
    std::string title = "Source title";
    std::string discId = "SLPM86023";
    Bytes icon0, icon1, pic0, pic1, snd0;
    Bytes dataPsp = patternBytes(100, 3);
    std::uint32_t dataPsar = 0x50000;  // at least the end of DATA.PSP
    std::string discIdText = "_SLPM_86023";
    std::string saveTitle = "Source save title";
    Bytes imageData = patternBytes(70000, 5);
    Bytes startPicture = patternBytes(300, 7);
    std::uint8_t offsetHighByte = 0;  // the highest byte of every offset field
    bool withStartScreen = true;
};

inline Bytes paramSfoWith(const std::string& title, const std::string& discId) {
    return buildParamSfo({
        {"CATEGORY", false, "ME", 0, 4},
        {"DISC_ID", false, discId, 0, 16},
        {"DISC_VERSION", false, "1.00", 0, 8},
        {"PARENTAL_LEVEL", true, "", 1, 4},
        {"REGION", true, "", 0x8000, 4},
        {"TITLE", false, title, 0, 128},
    });
}

inline Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

inline void append(Bytes& to, const Bytes& bytes) { to.insert(to.end(), bytes.begin(), bytes.end()); }

inline Bytes buildContainer(const ContainerParts& parts) {
    Bytes file(kPbpHeaderSize, 0);
    std::copy(kPbpMagic.begin(), kPbpMagic.end(), file.begin());
    storeLe32(file.data() + 4, 0x00010000);
    const Bytes paramSfo = paramSfoWith(parts.title, parts.discId);
    std::vector<std::uint32_t> offsets;
    for (const Bytes* section : {&paramSfo, &parts.icon0, &parts.icon1,
                                 &parts.pic0, &parts.pic1, &parts.snd0, &parts.dataPsp}) {
        offsets.push_back(static_cast<std::uint32_t>(file.size()));
        append(file, *section);
    }
    offsets.push_back(parts.dataPsar);
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        storeLe32(file.data() + 8 + 4 * i,
                  offsets[i] | (static_cast<std::uint32_t>(parts.offsetHighByte) << 24));
    }
    file.resize(parts.dataPsar, 0);

    Bytes block = patternBytes(kImageDataOffset, 9);
    ByteWriter writer(block);
    writer.putPaddedText(0, "PSISOIMG0000", 12);
    writer.putPaddedText(kDiscIdTextOffset, parts.discIdText, kDiscIdTextSize);
    writer.putPaddedText(kSaveTitleOffset, parts.saveTitle, kSaveTitleSize);
    append(file, block);
    append(file, parts.imageData);

    if (parts.withStartScreen) {
        Bytes startScreen = patternBytes(kStartDatPictureOffset, 11);
        ByteWriter(startScreen).putPaddedText(0, "STARTDAT", 8);
        storeLe32(startScreen.data() + kStartDatLengthField,
                  static_cast<std::uint32_t>(kStartDatPictureOffset + parts.startPicture.size()));
        append(startScreen, parts.startPicture);
        append(startScreen, patternBytes(kStartDatTrailerSize, 15));
        append(file, startScreen);
    }
    return file;
}

// The first position of `bytes` in `file`; -1 when absent.
inline std::int64_t positionOf(const Bytes& file, const Bytes& bytes) {
    const auto found = std::search(file.begin(), file.end(), bytes.begin(), bytes.end());
    return found == file.end() ? -1 : found - file.begin();
}

}  // namespace quillon::testing
