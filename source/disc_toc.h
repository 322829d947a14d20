// The tracks of a disc and the table of contents that a disc-image block records of them
// at 0x800: entries A0 (first track), A1 (last track), A2 (lead-out), then one per track,
// 10 bytes each, times in BCD minutes, seconds and frames (75 a second). A track's
// relative time is the sector of its INDEX 01 in the image, its absolute time that
// sector plus the 150 sectors of lead-in.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/expected.h"
#include "common/file_io.h"

namespace quillon {

inline constexpr int kMaxTracks = 99;
inline constexpr std::uint64_t kLeadInSectors = 150;
inline constexpr std::size_t kTocEntrySize = 10;
inline constexpr std::uint8_t kDataTrackType = 0x41;
inline constexpr std::uint8_t kAudioTrackType = 0x01;

// A place on a disc in minutes, seconds and frames; a frame is a sector, 75 a second.
struct DiscTime {
    std::uint64_t minutes = 0, seconds = 0, frames = 0;

    static DiscTime ofSectors(std::uint64_t sectors) {
        return {sectors / kFramesPerSecond / 60, sectors / kFramesPerSecond % 60, sectors % kFramesPerSecond};
    }
    // nullopt when the seconds or frames are out of their range.
    std::optional<std::uint64_t> sectors() const {
        if (seconds >= 60 || frames >= kFramesPerSecond) return std::nullopt;
        return (minutes * 60 + seconds) * kFramesPerSecond + frames;
    }

    static constexpr std::uint64_t kFramesPerSecond = 75;
};

enum class TrackType { Data, Audio };

// A track of a disc image laid out from sector 0 to the lead-out.
struct DiscTrack {
    int number = 1;
    TrackType type = TrackType::Data;
    std::uint64_t start = 0;   // sector of its INDEX 01 in the image
    std::uint64_t pregap = 0;  // sectors of the image in front of `start` that belong to it

    bool operator==(const DiscTrack&) const = default;
};

// A number as cue sheets and messages write track numbers and the parts of a time: at
// least two digits.
inline std::string twoDigits(std::uint64_t number) { return (number < 10 ? "0" : "") + std::to_string(number); }

// A track number as cue sheets and messages write it: two digits, "01" to "99".
inline std::string trackNumberText(int number) { return twoDigits(static_cast<std::uint64_t>(number)); }

inline std::size_t tocSize(std::size_t trackCount) { return (3 + trackCount) * kTocEntrySize; }

// The table of contents of an image of `imageSize` bytes holding `tracks` (1 to 99, in
// ascending order); the lead-out is the image's sector count, rounded up, plus 150.
Bytes encodeToc(const std::vector<DiscTrack>& tracks, std::uint64_t imageSize);

// A table of contents as read back. Pregaps are not recorded in it: every track's
// `pregap` is 0.
struct DiscToc {
    std::vector<DiscTrack> tracks;
    std::uint64_t leadOut = 0;  // absolute time of the lead-out, in sectors

    // The sectors of the image the table describes: the image is that many times
    // 2,352 bytes long (the blocks that hold it may end in zero bytes past it).
    std::uint64_t imageSectors() const { return leadOut - kLeadInSectors; }
};

// Decodes and checks the table of contents of a disc-image block whose head starts at
// `blockHead[0]`: entries A0, A1, A2 in place, valid BCD, one entry per track from the
// first to the last track number, each with agreeing relative and absolute times, tracks
// ascending and the lead-out after the last one. The error's message says what does not
// fit as a clause ("the lead-out is not a BCD time"), for a message that names the disc.
Expected<DiscToc> decodeToc(std::span<const std::uint8_t> blockHead);

// The table of contents of the disc-image block at `blockPosition`; nullopt when it does
// not decode. An error only when a read fails.
Expected<std::optional<DiscToc>> readToc(InputFile& container, std::uint64_t blockPosition);

}  // namespace quillon
