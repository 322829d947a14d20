// CHD files made without chdman, for the cases it cannot make (the cdzs codec, damage
// of every kind) and for the fuzz seeds: a version 5 header, CHT2 track entries, the
// hunks compressed with cdzl or cdzs (no ECC taken out), stored or repeating others, and
// a compressed map whose Huffman code gives every symbol 4 bits, one type symbol per hunk
// unless the recipe gives the symbols.
#pragma once

#include <zstd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/digest.h"
#include "source/chd/chd_codecs.h"
#include "source/chd/chd_header.h"
#include "source/chd/chd_map.h"
#include "source/image_index.h"
#include "support/cd_sectors.h"

namespace quillon::testing {

inline void appendBe(Bytes& to, std::uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) to.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline void storeBe32(std::uint8_t* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

// Bits most significant first.
class BitWriter {
public:
    void put(std::uint64_t value, unsigned bits) {
        for (unsigned i = bits; i-- > 0;) {
            if (used_ % 8 == 0) bytes_.push_back(0);
            if ((value >> i) & 1) bytes_.back() |= static_cast<std::uint8_t>(0x80 >> (used_ % 8));
            ++used_;
        }
    }
    const Bytes& bytes() const { return bytes_; }

private:
    Bytes bytes_;
    std::uint64_t used_ = 0;
};

inline Bytes chdMetadata(const std::vector<std::string>& tracks, std::uint64_t at, const std::string& tag = "CHT2") {
    Bytes out;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const std::string& text = tracks[i];
        const std::uint64_t next = i + 1 < tracks.size() ? at + out.size() + 16 + text.size() + 1 : 0;
        out.insert(out.end(), tag.begin(), tag.end());
        out.push_back(0x01);
        appendBe(out, text.size() + 1, 3);
        appendBe(out, next, 8);
        out.insert(out.end(), text.begin(), text.end());
        out.push_back(0);
    }
    return out;
}

struct TestChdHunk {
    enum class How { Codec, Stored, CopyOf } how = How::Codec;
    int slot = 0;              // Codec: the header's codec slot
    std::uint64_t copyOf = 0;  // CopyOf: the hunk repeated
};

struct TestChd {
    std::vector<std::string> tracks;  // track texts, without the NUL
    std::string metadataTag = "CHT2";
    std::uint32_t hunkBytes = 8 * kChdFrameSize;
    std::array<std::uint32_t, 4> codecs{kChdCodecCdzl, kChdCodecCdzs, 0, 0};
    Bytes logical;                   // the logical data: the frames of every track, padded
    std::vector<TestChdHunk> hunks;  // per hunk; missing ones: slot 0
    std::vector<int> typeSymbols;    // when not empty: the type stream as sent (with runs)

    std::uint64_t hunkCount() const { return (logical.size() + hunkBytes - 1) / hunkBytes; }
    // Hunk `h` of the logical data, the last one completed with zeros.
    Bytes hunk(std::uint64_t h) const {
        Bytes bytes(hunkBytes, 0);
        const std::size_t from = static_cast<std::size_t>(h * hunkBytes);
        const std::size_t count = std::min<std::size_t>(hunkBytes, logical.size() - from);
        std::copy_n(logical.begin() + static_cast<std::ptrdiff_t>(from), count, bytes.begin());
        return bytes;
    }
    // Room for the header, then the metadata.
    Bytes headerAndMetadata() const {
        Bytes file(kChdHeaderSize, 0);
        const Bytes metadata = chdMetadata(tracks, kChdHeaderSize, metadataTag);
        file.insert(file.end(), metadata.begin(), metadata.end());
        return file;
    }
};

// One hunk in the separated form of cdzl and cdzs: no ECC flags, base length, base,
// subcode.
inline Bytes compressCdHunk(std::uint32_t codec, std::span<const std::uint8_t> hunk) {
    const std::size_t frames = hunk.size() / kChdFrameSize;
    Bytes base, subcode;
    for (std::size_t i = 0; i < frames; ++i) {
        const auto frame = hunk.subspan(i * kChdFrameSize, kChdFrameSize);
        base.insert(base.end(), frame.begin(), frame.begin() + kSectorSize);
        subcode.insert(subcode.end(), frame.begin() + kSectorSize, frame.end());
    }
    const auto pack = [codec](const Bytes& data) {
        if (codec == kChdCodecCdzl) return deflateRaw(data, 9);
        Bytes packed(ZSTD_compressBound(data.size()));
        packed.resize(ZSTD_compress(packed.data(), packed.size(), data.data(), data.size(), 3));
        return packed;
    };
    const Bytes packedBase = pack(base), packedSubcode = pack(subcode);
    Bytes out((frames + 7) / 8, 0);
    appendBe(out, packedBase.size(), hunk.size() < 65536 ? 2 : 3);
    out.insert(out.end(), packedBase.begin(), packedBase.end());
    out.insert(out.end(), packedSubcode.begin(), packedSubcode.end());
    return out;
}

// The header at the start of `file`, SHA-1s left zero.
inline void writeChdHeader(Bytes& file, const TestChd& chd, const std::array<std::uint32_t, 4>& codecs,
                           std::uint64_t mapOffset, bool metadata) {
    Bytes numbers(kChdSignature.begin(), kChdSignature.end());
    appendBe(numbers, kChdHeaderSize, 4);
    appendBe(numbers, 5, 4);
    for (const std::uint32_t codec : codecs) appendBe(numbers, codec, 4);
    appendBe(numbers, chd.logical.size(), 8);
    appendBe(numbers, mapOffset, 8);
    appendBe(numbers, metadata ? kChdHeaderSize : 0, 8);
    appendBe(numbers, chd.hunkBytes, 4);
    appendBe(numbers, kChdFrameSize, 4);
    ByteWriter(file).putBytes(0, numbers);
}

// The whole file: header, metadata, hunks, map.
inline Bytes writeTestChd(const TestChd& chd) {
    Bytes file = chd.headerAndMetadata();
    const std::uint64_t firstOffset = file.size();
    std::vector<int> types;
    BitWriter fields;
    std::uint64_t lastCopy = 0;
    std::uint16_t mapCrc = 0xFFFF;
    for (std::uint64_t h = 0; h < chd.hunkCount(); ++h) {
        const Bytes hunk = chd.hunk(h);
        const TestChdHunk how = h < chd.hunks.size() ? chd.hunks[h] : TestChdHunk{};
        const std::uint16_t crc = chdCrc16(hunk);
        Bytes stored;
        int type = 5, codedType = -1;
        if (how.how == TestChdHunk::How::Codec) {
            type = how.slot;
            stored = compressCdHunk(chd.codecs[how.slot], hunk);
            fields.put(stored.size(), 24);
            fields.put(crc, 16);
        } else if (how.how == TestChdHunk::How::Stored) {
            type = 4;
            stored = hunk;
            fields.put(crc, 16);
        } else if (how.copyOf == lastCopy || how.copyOf == lastCopy + 1) {
            // Copies of the last copy's hunk or of the one after it are coded short.
            codedType = how.copyOf == lastCopy ? 9 : 10;
        } else {
            fields.put(how.copyOf, 32);
        }
        if (type == 5) lastCopy = how.copyOf;
        types.push_back(codedType < 0 ? type : codedType);
        Bytes record{static_cast<std::uint8_t>(type)};
        appendBe(record, type == 5 ? 0 : stored.size(), 3);
        appendBe(record, type == 5 ? how.copyOf : file.size(), 6);
        appendBe(record, type == 5 ? 0 : crc, 2);
        mapCrc = chdCrc16(record, mapCrc);
        file.insert(file.end(), stored.begin(), stored.end());
    }
    // The code table: 16 lengths of 4 bits, each sent as the field 4 (codes: the symbol
    // itself); then the type symbols, then the fields.
    BitWriter stream;
    for (int i = 0; i < 16; ++i) stream.put(4, 4);
    for (const int type : chd.typeSymbols.empty() ? types : chd.typeSymbols) stream.put(static_cast<unsigned>(type), 4);
    for (const std::uint8_t b : fields.bytes()) stream.put(b, 8);
    const Bytes& body = stream.bytes();
    const std::uint64_t mapOffset = file.size();
    Bytes map;
    appendBe(map, body.size(), 4);
    appendBe(map, firstOffset, 6);
    appendBe(map, mapCrc, 2);
    map.insert(map.end(), {24, 32, 0, 0});
    map.insert(map.end(), body.begin(), body.end());
    file.insert(file.end(), map.begin(), map.end());

    writeChdHeader(file, chd, chd.codecs, mapOffset, !chd.tracks.empty());
    ByteWriter(file).putBytes(64, sha1(chd.logical));
    return file;
}

// The CHD of the disc of `tracks` as chdman makes it of their cue sheet: one CHT2 entry
// per track, its frames (audio samples big-endian, no subcode) padded to a multiple of 4.
inline TestChd testChdOf(const std::vector<TestTrack>& tracks) {
    TestChd chd;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const TestTrack& track = tracks[i];
        const bool audio = track.mode == TestTrack::Mode::Audio;
        const std::string type = audio ? "AUDIO" : track.mode == TestTrack::Mode::Mode1 ? "MODE1_RAW" : "MODE2_RAW";
        const std::uint64_t frames = track.bytes.size() / kSectorSize;
        const bool stored = track.indexZeroSectors > 0;
        chd.tracks.push_back("TRACK:" + std::to_string(i + 1) + " TYPE:" + type +
                             " SUBTYPE:NONE FRAMES:" + std::to_string(frames) +
                             " PREGAP:" + std::to_string(stored ? track.indexZeroSectors : track.pregapLineSectors) +
                             " PGTYPE:" + (stored ? "V" + type : std::string("MODE1")) + " PGSUB:NONE POSTGAP:0");
        for (std::uint64_t f = 0; f < (frames + 3) / 4 * 4; ++f) {
            Bytes frame(kChdFrameSize, 0);
            if (f < frames) {
                const auto sector = track.bytes.begin() + static_cast<std::ptrdiff_t>(f * kSectorSize);
                std::copy_n(sector, kSectorSize, frame.begin());
            }
            if (audio) {
                for (std::size_t b = 0; b < kSectorSize; b += 2) std::swap(frame[b], frame[b + 1]);
            }
            chd.logical.insert(chd.logical.end(), frame.begin(), frame.end());
        }
    }
    return chd;
}

// The CHD of `chd` without codecs: header, metadata, the plain map (each hunk's offset
// in hunks, 0 for a hunk of zeros), then the hunks at multiples of the hunk size.
inline Bytes writePlainTestChd(const TestChd& chd) {
    Bytes file = chd.headerAndMetadata();
    const std::uint64_t mapOffset = file.size();
    file.resize(mapOffset + 4 * chd.hunkCount(), 0);
    file.resize((file.size() + chd.hunkBytes - 1) / chd.hunkBytes * chd.hunkBytes, 0);
    for (std::uint64_t h = 0; h < chd.hunkCount(); ++h) {
        const Bytes hunk = chd.hunk(h);
        if (std::all_of(hunk.begin(), hunk.end(), [](std::uint8_t b) { return b == 0; })) continue;
        storeBe32(&file[mapOffset + 4 * h], static_cast<std::uint32_t>(file.size() / chd.hunkBytes));
        file.insert(file.end(), hunk.begin(), hunk.end());
    }
    writeChdHeader(file, chd, {}, mapOffset, !chd.tracks.empty());
    return file;
}

}  // namespace quillon::testing
