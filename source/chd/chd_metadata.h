// The track list of a CD image in a CHD: metadata entries chained through the file (a
// 16-byte head: tag, flags, 24-bit length, offset of the next entry), one text entry
// per track, "CHT2" (or the older "CHTR", without gaps) such as
//   TRACK:1 TYPE:MODE2_RAW SUBTYPE:NONE FRAMES:302 PREGAP:0 PGTYPE:MODE1 PGSUB:NONE POSTGAP:0
// FRAMES counts the frames the track has in the CHD, a pregap whose type starts with "V"
// included (it is stored); each track's frames are followed by zero frames up to a
// multiple of 4, which belong to no track. Postgaps are never stored and are not kept:
// the disc is laid out as from the cue sheet that the CHD was made of, whose POSTGAP
// lines are not read either.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/expected.h"
#include "source/chd/chd_header.h"

namespace quillon {

inline constexpr std::size_t kChdMetadataHeadSize = 16;
// A track has no more than this many frames of padding behind it.
inline constexpr std::uint32_t kChdTrackPadding = 4;

enum class ChdTrackType { Mode1Raw, Mode2Raw, Audio };

struct ChdTrack {
    int number = 0;
    ChdTrackType type = ChdTrackType::Mode2Raw;
    std::uint32_t frames = 0;  // in the CHD, a stored pregap included
    std::uint32_t pregap = 0;  // frames from INDEX 00 to INDEX 01
    bool pregapStored = false;

    std::uint32_t paddedFrames() const { return (frames + kChdTrackPadding - 1) / kChdTrackPadding * kChdTrackPadding; }
    bool operator==(const ChdTrack&) const = default;
};

// The track that the text of a CHT2 or CHTR entry describes (cut at its first NUL byte):
// space-separated KEY:value pairs, TRACK, TYPE and FRAMES required, unknown keys
// skipped. Only raw sectors (MODE1_RAW, MODE2_RAW) and AUDIO are read.
Expected<ChdTrack> parseChdTrack(std::string_view text, const std::string& path);

// Reads `out.size()` bytes of the file at a position, or fails.
using ChdFileReader = std::function<Status(std::uint64_t position, std::span<std::uint8_t> out)>;

// The tracks of the CHD `path` from its metadata chain, read through `read` from a file
// of `fileSize` bytes: numbered 1, 2, 3... in the chain's order, at most 99, and their
// frames with padding making up the header's logical data exactly.
Expected<std::vector<ChdTrack>> readChdTracks(const ChdHeader& header, std::uint64_t fileSize,
                                              const ChdFileReader& read, const std::string& path);

}  // namespace quillon
