// The header of a CHD file ("compressed hunks of data", the container that MAME and
// most emulators keep disc images in), version 5: 124 bytes, numbers big-endian. The
// data it describes, the "logical data", is cut into hunks of equal size, each stored
// compressed or as it is; for a CD it is the disc's frames of 2,448 bytes (the
// 2,352-byte sector, then 96 bytes of subcode), track after track.
//
// Only what a reader of CD images needs is kept, after the checks that every later
// read relies on. Messages name the file: "The CHD "x" is damaged: ..." for what
// breaks the format, "The CHD "x" cannot be read: ..." for what is valid but not read
// here (other versions, a CHD that needs its parent, other kinds of media).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/digest.h"
#include "common/expected.h"

namespace quillon {

inline constexpr std::string_view kChdSignature = "MComprHD";
inline constexpr std::size_t kChdHeaderSize = 124;
inline constexpr std::size_t kChdFrameSize = 2448;  // a CD frame: sector and subcode
inline constexpr std::size_t kChdSubcodeSize = 96;
// The longest CD (99:59:74) with every one of its 99 tracks padded by 3 frames: more
// data than that is no CD.
inline constexpr std::uint64_t kChdMaxFrames = 100 * 60 * 75 + 99 * 3;
// Far above what any tool writes for a CD (8 frames); keeps a decoder's buffers small.
inline constexpr std::uint32_t kChdMaxHunkBytes = 256 * kChdFrameSize;

// A four-letter name (a codec's, a metadata entry's) as the file stores it.
constexpr std::uint32_t chdTag(std::string_view name) {
    std::uint32_t tag = 0;
    for (const char c : name) tag = (tag << 8) | static_cast<std::uint8_t>(c);
    return tag;
}

struct ChdHeader {
    std::array<std::uint32_t, 4> codecs{};  // the codec of each slot; 0: none
    std::uint64_t logicalBytes = 0;
    std::uint64_t mapOffset = 0;
    std::uint64_t metaOffset = 0;  // 0: no metadata
    std::uint32_t hunkBytes = 0;
    Sha1 rawSha1{};  // of the logical data; all zero: not recorded

    std::uint64_t hunkCount() const { return (logicalBytes + hunkBytes - 1) / hunkBytes; }
    std::uint32_t framesPerHunk() const { return hunkBytes / static_cast<std::uint32_t>(kChdFrameSize); }
    // Without a codec in slot 0 the hunks are stored as they are, found through a plain map.
    bool compressed() const { return codecs[0] != 0; }
};

// True when `head` starts with the CHD signature.
bool hasChdSignature(std::span<const std::uint8_t> head);

// The header from the first bytes of the CHD `path` (the first 124, or all of a shorter
// file), whose size is `fileSize`. Fails for any version but 5, for a CHD that needs a
// parent, for other media than a CD, and for numbers that do not fit the file.
Expected<ChdHeader> parseChdHeader(std::span<const std::uint8_t> head, std::uint64_t fileSize, const std::string& path);

// "The CHD "path" is damaged: <reason>." and "The CHD "path" cannot be read: <reason>."
Error chdDamaged(const std::string& path, const std::string& reason);
Error chdUnreadable(const std::string& path, const std::string& reason);

// A codec's name for messages: its four letters when they are printable, else its
// number in hexadecimal.
std::string chdCodecName(std::uint32_t tag);

}  // namespace quillon
