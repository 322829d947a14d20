// Disc identification: the product code (disc ID) in a disc image's first bytes, the
// game-list lookup key, the save title in a container's disc-image block, and the
// region label.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quillon {

// The ten known ID prefixes, in the order of the main window's prefix list.
inline constexpr std::array<std::string_view, 10> kKnownIdPrefixes{"SCUS", "SLUS", "SCES", "SLES", "SLPS",
                                                                   "SLPM", "PBPX", "SLED", "SCED", "SCPS"};

inline constexpr std::size_t kIdentificationReadSize = 65535;
inline constexpr const char* kUnknownRegionLabel = "Game region: [?]";

// The disc ID of the first known prefix in `head` (up to 9 characters, "-", "_" and "."
// skipped within 16 bytes); nullopt when `head` holds none or fewer than 15 bytes.
std::optional<std::string> scanDiscId(std::span<const std::uint8_t> head);

// Characters 1 to 4, "-", characters 5 to 9 of the disc ID (SLUS01234 -> SLUS-01234).
std::string lookupKey(std::string_view discId);
std::string idPrefixOf(std::string_view discId);  // characters 1 to 4
std::string idNumberOf(std::string_view discId);  // characters 5 to 9

// The zero-terminated save title at blockPosition + 0x122C in `bytes`, at most 128
// bytes; what lies outside `bytes` is not read.
std::string readSaveTitle(std::span<const std::uint8_t> bytes, std::uint64_t blockPosition);

// A title without the disc marker at its end that file names of games of several discs
// carry: " (Disc 1)", " [Disc 2]", " Disc 3", in any letter case.
std::string withoutDiscMarker(std::string title);

// "Game region: " and the region word.
std::string regionLabel(std::string_view regionWord);

}  // namespace quillon
