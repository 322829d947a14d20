#include "source/chd/chd_map.h"

#include <algorithm>
#include <array>

#include "common/bytes.h"

namespace quillon {
namespace {

// Hunk types as the compressed map codes them: 0 to 3 are the codec slots, and the
// types from 7 on stand for runs or for copies whose target follows from the last one.
constexpr int kCodecSlots = 4;
constexpr int kUncompressed = 4;
constexpr int kSelf = 5;
constexpr int kParent = 6;
constexpr int kRunSmall = 7;   // the last type again, for 3 to 18 hunks in all
constexpr int kRunLarge = 8;   // the last type again, for 19 to 274 hunks in all
constexpr int kSelfSame = 9;   // a copy of the same hunk as the last copy
constexpr int kSelfNext = 10;  // a copy of the hunk after the last copy's
constexpr int kParentSelf = 11;
constexpr int kParentSame = 12;
constexpr int kParentNext = 13;

constexpr int kSymbols = 16;
constexpr int kMaxCodeBits = 8;

// The bits of a stream, most significant bit of each byte first. Reading past the end
// gives zero bits and is remembered.
class BitReader {
public:
    explicit BitReader(std::span<const std::uint8_t> data) : data_(data) {}

    std::uint32_t read(unsigned bits) {
        std::uint32_t value = 0;
        for (unsigned i = 0; i < bits; ++i) value = (value << 1) | bit();
        return value;
    }
    std::uint32_t bit() {
        const std::uint64_t byte = position_ >> 3;
        if (byte >= data_.size()) {
            overran_ = true;
            return 0;
        }
        const unsigned shift = 7 - static_cast<unsigned>(position_++ & 7);
        return (data_[byte] >> shift) & 1u;
    }
    bool overran() const { return overran_; }

private:
    std::span<const std::uint8_t> data_;
    std::uint64_t position_ = 0;
    bool overran_ = false;
};

// The map's Huffman code: 16 symbols of at most 8 bits, lengths sent in 4-bit fields
// with an escape for runs, codes given out from the longest length down.
class MapCode {
public:
    bool readTable(BitReader& bits) {
        std::array<unsigned, kSymbols> lengths{};
        for (int symbol = 0; symbol < kSymbols;) {
            unsigned length = bits.read(4);
            int repeat = 1;
            if (length == 1) {
                length = bits.read(4);
                if (length != 1) repeat = static_cast<int>(bits.read(4)) + 3;
            }
            if (symbol + repeat > kSymbols || length > kMaxCodeBits) return false;
            for (int i = 0; i < repeat; ++i) lengths[symbol++] = length;
        }
        return !bits.overran() && assignCodes(lengths);
    }

    // The next symbol, or -1 when no code matches.
    int decode(BitReader& bits) const {
        unsigned index = 1;
        for (int length = 1; length <= kMaxCodeBits; ++length) {
            index = (index << 1) | bits.bit();
            if (symbolAt_[index] >= 0) return symbolAt_[index];
        }
        return -1;
    }

private:
    bool assignCodes(const std::array<unsigned, kSymbols>& lengths) {
        std::array<unsigned, kMaxCodeBits + 1> count{};
        for (const unsigned length : lengths) ++count[length];
        std::array<unsigned, kMaxCodeBits + 1> next{};
        unsigned code = 0;
        for (int length = kMaxCodeBits; length >= 1; --length) {
            next[length] = code;
            const unsigned total = code + count[length];
            if (length != 1 && (total & 1) != 0) return false;
            code = total >> 1;
        }
        symbolAt_.fill(-1);
        for (int symbol = 0; symbol < kSymbols; ++symbol) {
            const unsigned length = lengths[symbol];
            if (length == 0) continue;
            const unsigned value = next[length]++;
            // A leading 1 bit keeps codes of different lengths apart in one table.
            const unsigned index = (1u << length) | value;
            if (value >= (1u << length) || symbolAt_[index] >= 0) return false;
            symbolAt_[index] = static_cast<std::int8_t>(symbol);
        }
        return true;
    }

    std::array<std::int8_t, 2u << kMaxCodeBits> symbolAt_{};
};

// The fields of a compressed map's header.
struct MapHead {
    std::uint32_t streamBytes = 0;
    std::uint64_t firstOffset = 0;
    std::uint16_t crc = 0;
    unsigned lengthBits = 0, selfBits = 0;
};

MapHead readMapHead(std::span<const std::uint8_t> map) {
    return {loadBe32(&map[0]), loadBe(&map[4], 6), loadBe16(&map[10]), map[12], map[13]};
}

// The coded type of every hunk, runs expanded.
Expected<std::vector<int>> readTypes(BitReader& bits, const MapCode& code, std::uint64_t hunkCount,
                                     const std::string& path) {
    const auto broken = [&path] { return chdDamaged(path, "its hunk map is not valid"); };
    std::vector<int> types;
    types.reserve(hunkCount);
    int last = 0;
    while (types.size() < hunkCount) {
        const int symbol = code.decode(bits);
        // Runs give their length in symbols too, read as 4-bit numbers.
        const int high = symbol == kRunLarge ? code.decode(bits) : 0;
        const int low = symbol == kRunSmall || symbol == kRunLarge ? code.decode(bits) : 0;
        if (symbol < 0 || high < 0 || low < 0 || bits.overran()) return broken();
        std::uint64_t count = 1;
        if (symbol == kRunSmall) {
            count = 3 + static_cast<std::uint64_t>(low);
        } else if (symbol == kRunLarge) {
            count = 19 + 16 * static_cast<std::uint64_t>(high) + static_cast<std::uint64_t>(low);
        } else {
            last = symbol;
        }
        if (count > hunkCount - types.size()) return broken();
        types.insert(types.end(), count, last);
    }
    return types;
}

// Expands the coded types into hunks, reading each stored hunk's length and CRC-16, and
// checks the map's CRC-16 over the entries as the map records them.
class MapExpansion {
public:
    MapExpansion(const ChdHeader& header, const MapHead& head, std::uint64_t fileSize, const std::string& path)
        : header_(header), head_(head), fileSize_(fileSize), path_(path), position_(head.firstOffset) {}

    Expected<std::vector<ChdHunk>> run(BitReader& bits, const std::vector<int>& types) {
        std::vector<ChdHunk> hunks;
        hunks.reserve(types.size());
        std::uint16_t crc = 0xFFFF;
        for (std::uint64_t h = 0; h < types.size(); ++h) {
            auto hunk = next(bits, types[h], h);
            if (bits.overran()) return chdDamaged(path_, "its hunk map ends early");
            if (!hunk) return hunk.error();
            crc = recordCrc(crc, *hunk);
            // A copy of a copy names the hunk that holds the bytes.
            if (hunk->kind == ChdHunk::Kind::Copy && hunks[hunk->offset].kind == ChdHunk::Kind::Copy) {
                hunk->offset = hunks[hunk->offset].offset;
            }
            hunks.push_back(*hunk);
        }
        if (crc != head_.crc) return chdDamaged(path_, "its hunk map does not match its checksum");
        return hunks;
    }

private:
    Expected<ChdHunk> next(BitReader& bits, int type, std::uint64_t h) {
        ChdHunk hunk;
        if (type < kCodecSlots) {
            hunk.kind = ChdHunk::Kind::Compressed;
            hunk.codecSlot = static_cast<std::uint8_t>(type);
            hunk.length = bits.read(head_.lengthBits);
            hunk.crc = static_cast<std::uint16_t>(bits.read(16));
            if (header_.codecs[type] == 0) return chdDamaged(path_, "a hunk names a codec slot that is empty");
            if (hunk.length == 0 || hunk.length > header_.hunkBytes) {
                return chdDamaged(path_, "a hunk's length in its map is not valid");
            }
            return stored(hunk);
        }
        switch (type) {
            case kUncompressed:
                hunk.kind = ChdHunk::Kind::Stored;
                hunk.length = header_.hunkBytes;
                hunk.crc = static_cast<std::uint16_t>(bits.read(16));
                return stored(hunk);
            case kSelf: lastSelf_ = bits.read(head_.selfBits); return copy(hunk, h);
            case kSelfSame: return copy(hunk, h);
            case kSelfNext: ++lastSelf_; return copy(hunk, h);
            case kParent:
            case kParentSelf:
            case kParentSame:
            case kParentNext:
                return chdUnreadable(path_, "its hunks refer to a parent CHD, and parent CHDs are not read");
            default: return chdDamaged(path_, "its hunk map is not valid");
        }
    }

    Expected<ChdHunk> stored(ChdHunk hunk) {
        hunk.offset = position_;
        if (!fitsIn(fileSize_, position_, hunk.length)) return chdDamaged(path_, "it ends inside its hunks");
        position_ += hunk.length;
        return hunk;
    }

    Expected<ChdHunk> copy(ChdHunk hunk, std::uint64_t h) {
        if (lastSelf_ >= h) return chdDamaged(path_, "a hunk repeats itself or a later one");
        hunk.kind = ChdHunk::Kind::Copy;
        hunk.offset = lastSelf_;
        return hunk;
    }

    // The entry of the map's checksum: type (a copy's as 5), 24-bit length, 48-bit
    // offset (a copy's: the hunk it names), CRC-16.
    static std::uint16_t recordCrc(std::uint16_t crc, const ChdHunk& hunk) {
        std::array<std::uint8_t, 12> record{};
        record[0] = static_cast<std::uint8_t>(hunk.kind == ChdHunk::Kind::Compressed ? hunk.codecSlot
                                              : hunk.kind == ChdHunk::Kind::Stored   ? kUncompressed
                                                                                     : kSelf);
        const std::uint16_t hunkCrc = hunk.crc.value_or(0);
        const std::uint32_t length = hunk.kind == ChdHunk::Kind::Copy ? 0 : hunk.length;
        for (int i = 0; i < 3; ++i) record[1 + i] = static_cast<std::uint8_t>(length >> (16 - 8 * i));
        for (int i = 0; i < 6; ++i) record[4 + i] = static_cast<std::uint8_t>(hunk.offset >> (40 - 8 * i));
        record[10] = static_cast<std::uint8_t>(hunkCrc >> 8);
        record[11] = static_cast<std::uint8_t>(hunkCrc);
        return chdCrc16(record, crc);
    }

    const ChdHeader& header_;
    const MapHead& head_;
    const std::uint64_t fileSize_;
    const std::string& path_;
    std::uint64_t position_;
    std::uint64_t lastSelf_ = 0;
};

Expected<std::vector<ChdHunk>> parseCompressedMap(const ChdHeader& header, std::span<const std::uint8_t> map,
                                                  std::uint64_t fileSize, const std::string& path) {
    if (map.size() < kChdMapHeaderSize) return chdDamaged(path, "its hunk map ends early");
    const MapHead head = readMapHead(map);
    if (head.lengthBits > 32 || head.selfBits > 32) return chdDamaged(path, "its hunk map is not valid");
    const std::span<const std::uint8_t> stream = map.subspan(kChdMapHeaderSize);
    BitReader bits(stream.first(std::min<std::size_t>(stream.size(), head.streamBytes)));
    MapCode code;
    if (!code.readTable(bits)) return chdDamaged(path, "its hunk map is not valid");
    const auto types = readTypes(bits, code, header.hunkCount(), path);
    if (!types) return types.error();
    return MapExpansion(header, head, fileSize, path).run(bits, *types);
}

Expected<std::vector<ChdHunk>> parsePlainMap(const ChdHeader& header, std::span<const std::uint8_t> map,
                                             std::uint64_t fileSize, const std::string& path) {
    if (map.size() / 4 < header.hunkCount()) return chdDamaged(path, "its hunk map ends early");
    std::vector<ChdHunk> hunks(header.hunkCount());
    for (std::size_t h = 0; h < hunks.size(); ++h) {
        const std::uint64_t entry = loadBe32(&map[4 * h]);
        if (entry == 0) continue;
        hunks[h] = {ChdHunk::Kind::Stored, 0, header.hunkBytes, entry * header.hunkBytes, std::nullopt};
        if (!fitsIn(fileSize, hunks[h].offset, header.hunkBytes)) return chdDamaged(path, "it ends inside its hunks");
    }
    return hunks;
}

}  // namespace

std::uint16_t chdCrc16(std::span<const std::uint8_t> data, std::uint16_t crc) {
    static const auto table = [] {
        std::array<std::uint16_t, 256> t{};
        for (unsigned i = 0; i < 256; ++i) {
            unsigned c = i << 8;
            for (int bit = 0; bit < 8; ++bit) c = (c & 0x8000) ? (c << 1) ^ 0x1021 : c << 1;
            t[i] = static_cast<std::uint16_t>(c);
        }
        return t;
    }();
    for (const std::uint8_t byte : data) {
        crc = static_cast<std::uint16_t>((crc << 8) ^ table[((crc >> 8) ^ byte) & 0xFF]);
    }
    return crc;
}

Expected<std::uint64_t> chdMapSize(const ChdHeader& header, std::span<const std::uint8_t> mapHead,
                                   std::uint64_t fileSize, const std::string& path) {
    std::uint64_t size = header.hunkCount() * 4;
    if (header.compressed()) {
        if (mapHead.size() < kChdMapHeaderSize) return chdDamaged(path, "its hunk map ends early");
        size = kChdMapHeaderSize + loadBe32(&mapHead[0]);
    }
    if (!fitsIn(fileSize, header.mapOffset, size)) {
        return chdDamaged(path, "its hunk map runs past the end of the file");
    }
    return size;
}

Expected<std::vector<ChdHunk>> parseChdMap(const ChdHeader& header, std::span<const std::uint8_t> map,
                                           std::uint64_t fileSize, const std::string& path) {
    if (header.compressed()) return parseCompressedMap(header, map, fileSize, path);
    return parsePlainMap(header, map, fileSize, path);
}

}  // namespace quillon
