// The hunk map of a CHD: for each hunk, how it is stored and where. A compressed CHD
// keeps it at the end of the file as a bit stream: a Huffman table of 16 symbols, each
// hunk's type coded with it (runs of one type as repeat symbols), then each hunk's
// length and CRC-16, in hunk order; the stored hunks lie one after the other from a
// given offset. A CRC-16 over the expanded map closes it. A CHD without codecs keeps
// one 32-bit entry per hunk instead, the hunk's offset in hunks (0: a hunk of zeros).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/expected.h"
#include "source/chd/chd_header.h"

namespace quillon {

struct ChdHunk {
    enum class Kind : std::uint8_t {
        Compressed,  // `length` bytes at `offset`, compressed by the codec of `codecSlot`
        Stored,      // the hunk's bytes as they are, at `offset`
        Copy,        // the same bytes as hunk number `offset`, an earlier one that is no copy
        Zero,        // zero bytes, stored nowhere
    };
    Kind kind = Kind::Zero;
    std::uint8_t codecSlot = 0;
    std::uint32_t length = 0;
    std::uint64_t offset = 0;
    std::optional<std::uint16_t> crc;  // of the hunk's bytes, where the map records one

    bool operator==(const ChdHunk&) const = default;
};

inline constexpr std::size_t kChdMapHeaderSize = 16;

// How many bytes the map at header.mapOffset takes, from its first bytes (the 16 of a
// compressed map's header; none for the plain map). Fails when they run past the file.
Expected<std::uint64_t> chdMapSize(const ChdHeader& header, std::span<const std::uint8_t> mapHead,
                                   std::uint64_t fileSize, const std::string& path);

// One entry per hunk from the map's bytes. Every stored hunk lies inside a file of
// `fileSize` bytes and is at most a hunk long, every copy repeats an earlier hunk, a
// compressed hunk's slot names a codec, and a compressed map's CRC-16 matches. Hunks
// that need a parent CHD fail.
Expected<std::vector<ChdHunk>> parseChdMap(const ChdHeader& header, std::span<const std::uint8_t> map,
                                           std::uint64_t fileSize, const std::string& path);

// CRC-16/CCITT-FALSE (polynomial 0x1021, start 0xFFFF), the checksum of the map and of
// each hunk.
std::uint16_t chdCrc16(std::span<const std::uint8_t> data, std::uint16_t crc = 0xFFFF);

}  // namespace quillon
