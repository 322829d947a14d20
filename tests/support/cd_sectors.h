// Raw CD sectors for tests, as a disc holds them: Mode 1 and Mode 2 Form 1 with their
// EDC and ECC right (the sectors a CHD takes the ECC out of), Form 2 sectors, audio,
// and a disc of several tracks written as BIN files with their cue sheet.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "source/chd/cd_ecc.h"
#include "source/image_index.h"
#include "support/temp_folder.h"

namespace quillon::testing {

// The EDC of CD-ROM sectors: a CRC-32 over the polynomial 0x8001801B, least significant
// bit first, from 0.
inline std::uint32_t cdEdc(std::span<const std::uint8_t> data) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? (c >> 1) ^ 0xD8018001u : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t edc = 0;
    for (const std::uint8_t b : data) edc = (edc >> 8) ^ table[(edc ^ b) & 0xFF];
    return edc;
}

enum class SectorKind { Mode1, Form1, Form2, Audio };

inline std::uint8_t bcd(std::uint64_t n) { return static_cast<std::uint8_t>((n / 10) << 4 | n % 10); }

// Bytes from a small generator, different for each sector and seed.
inline void fillNoise(std::span<std::uint8_t> bytes, std::uint64_t seed) {
    std::uint32_t state = static_cast<std::uint32_t>(seed * 2654435761u + 12345);
    for (std::uint8_t& b : bytes) {
        state ^= state << 13, state ^= state >> 17, state ^= state << 5;
        b = static_cast<std::uint8_t>(state);
    }
}

// The sector at `lba` of a data track: sync, header (time of the sector, mode), the
// data (noise, or `text` at its start), EDC and, for Mode 1 and Form 1, ECC. An audio
// sector is a tone with some noise.
inline Bytes cdSector(SectorKind kind, std::uint64_t lba, std::uint64_t seed, std::string_view text = {}) {
    Bytes sector(kSectorSize, 0);
    if (kind == SectorKind::Audio) {
        for (std::size_t i = 0; i < kSectorSize; i += 2) {
            const auto sample = static_cast<std::int16_t>(((lba * 588 + i / 4) % 100) * 300 + (seed * 7 + i) % 13);
            storeLe16(&sector[i], static_cast<std::uint16_t>(sample));
        }
        return sector;
    }
    const std::uint64_t time = lba + 150;
    sector[12] = bcd(time / 4500);
    sector[13] = bcd(time / 75 % 60);
    sector[14] = bcd(time % 75);
    sector[15] = kind == SectorKind::Mode1 ? 1 : 2;
    const std::size_t data = kind == SectorKind::Mode1 ? 16 : 24;
    const std::size_t dataSize = kind == SectorKind::Form2 ? 2324 : 2048;
    fillNoise(std::span(sector).subspan(data, dataSize), lba * 31 + seed);
    std::copy(text.begin(), text.end(), sector.begin() + static_cast<std::ptrdiff_t>(data));
    if (kind != SectorKind::Mode1) {
        const std::uint8_t submode = kind == SectorKind::Form2 ? 0x20 : 0x08;
        for (std::size_t at : {16, 20}) sector[at + 2] = submode;
    }
    const std::size_t edcStart = kind == SectorKind::Mode1 ? 0 : 16;
    const std::size_t edcAt = kind == SectorKind::Mode1 ? 0x810 : kind == SectorKind::Form1 ? 0x818 : 0x92C;
    storeLe32(&sector[edcAt], cdEdc(std::span(sector).subspan(edcStart, edcAt - edcStart)));
    if (kind == SectorKind::Form2) {
        const std::array<std::uint8_t, 12> sync{0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
        std::copy(sync.begin(), sync.end(), sector.begin());
    } else {
        restoreCdSectorEcc(sector);
    }
    return sector;
}

// A track of a test disc: its sectors and how its cue sheet gives its pregap.
struct TestTrack {
    enum class Mode { Mode1, Mode2, Audio } mode = Mode::Mode2;
    std::uint64_t indexZeroSectors = 0;   // pregap stored in the file (INDEX 00)
    std::uint64_t pregapLineSectors = 0;  // pregap that no file holds (PREGAP line)
    Bytes bytes;                          // the file's sectors, a stored pregap first

    const char* modeText() const {
        return mode == Mode::Mode1 ? "MODE1/2352" : mode == Mode::Mode2 ? "MODE2/2352" : "AUDIO";
    }
};

inline std::string cueTime(std::uint64_t sectors) {
    const auto two = [](std::uint64_t n) { return std::string(n < 10 ? "0" : "") + std::to_string(n); };
    return two(sectors / 4500) + ":" + two(sectors / 75 % 60) + ":" + two(sectors % 75);
}

// Writes each track into a file "<name>_NN.bin" and the sheet "<name>.cue" that names
// them; gives the sheet's path.
inline std::string writeTestDisc(const TempFolder& dir, const std::string& name, const std::vector<TestTrack>& tracks) {
    std::string sheet;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const TestTrack& track = tracks[i];
        const std::string number = (i < 9 ? "0" : "") + std::to_string(i + 1);
        const std::string file = name + "_" + number + ".bin";
        dir.write(file, track.bytes);
        sheet += "FILE \"" + file + "\" BINARY\r\n  TRACK " + number + " " + track.modeText() + "\r\n";
        if (track.pregapLineSectors > 0) sheet += "    PREGAP " + cueTime(track.pregapLineSectors) + "\r\n";
        if (track.indexZeroSectors > 0) sheet += "    INDEX 00 00:00:00\r\n";
        sheet += "    INDEX 01 " + cueTime(track.indexZeroSectors) + "\r\n";
    }
    return dir.write(name + ".cue", sheet);
}

// A data track of `count` sectors from `firstLba` on, of Form 1, Form 2 and Mode 1
// sectors in turn with some of zeros, one with a damaged byte (its ECC no longer fits)
// and the boot line of disc ID SLUS_012.34 in its second sector.
inline Bytes mixedDataTrack(std::uint64_t count, std::uint64_t firstLba, std::uint64_t seed,
                            SectorKind main = SectorKind::Form1) {
    Bytes track;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t lba = firstLba + i;
        Bytes sector;
        if (i % 10 == 7) {
            sector.assign(kSectorSize, 0);
        } else if (i % 10 == 3 && main != SectorKind::Mode1) {
            sector = cdSector(SectorKind::Form2, lba, seed);
        } else {
            sector = cdSector(main, lba, seed, i == 1 ? "BOOT = cdrom:\\SLUS_012.34;1" : "");
        }
        if (i == 5) sector[1000] ^= 0x40;
        track.insert(track.end(), sector.begin(), sector.end());
    }
    return track;
}

inline Bytes audioTrack(std::uint64_t count, std::uint64_t firstLba, std::uint64_t seed) {
    Bytes track;
    for (std::uint64_t i = 0; i < count; ++i) {
        const Bytes sector = cdSector(SectorKind::Audio, firstLba + i, seed);
        track.insert(track.end(), sector.begin(), sector.end());
    }
    return track;
}

// A data track alone: Form 1 and Form 2 sectors, zero and damaged ones.
inline std::vector<TestTrack> dataDisc() { return {{TestTrack::Mode::Mode2, 0, 0, mixedDataTrack(301, 0, 1)}}; }

// A Mode 2 track, an audio track whose pregap is in its file (INDEX 00) and one whose
// pregap is not (PREGAP).
inline std::vector<TestTrack> audioDisc() {
    Bytes second(150 * kSectorSize, 0);
    const Bytes tone = audioTrack(201, 400, 2);
    second.insert(second.end(), tone.begin(), tone.end());
    return {{TestTrack::Mode::Mode2, 0, 0, mixedDataTrack(250, 0, 3)},
            {TestTrack::Mode::Audio, 150, 0, second},
            {TestTrack::Mode::Audio, 0, 150, audioTrack(101, 751, 4)}};
}

// Mode 1 sectors, then audio.
inline std::vector<TestTrack> mode1Disc() {
    return {{TestTrack::Mode::Mode1, 0, 0, mixedDataTrack(202, 0, 5, SectorKind::Mode1)},
            {TestTrack::Mode::Audio, 0, 0, audioTrack(130, 202, 6)}};
}

}  // namespace quillon::testing
