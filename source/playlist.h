// Playlists (.m3u): the discs of a game of several discs, one path a line, relative to
// the playlist's folder unless absolute; blank lines and lines starting with '#' are
// skipped. A disc is a disc image, a cue sheet or a CHD; a playlist or a PBP container is
// not.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/expected.h"

namespace quillon {

// True for a path ending in ".m3u" or ".m3u8" (any letter case).
bool isPlaylistPath(const std::string& path);

// Why the file at `path` cannot be one disc of a game (it is a playlist or a PBP
// container); nullopt for a disc image, a cue sheet or a CHD.
std::optional<std::string> discKindProblem(const std::string& path);

// The disc paths of the playlist `text` found at `playlistPath`: one to five, each an
// existing file of a disc's kind. Every error names the playlist and the line.
Expected<std::vector<std::string>> parsePlaylist(std::span<const std::uint8_t> text, const std::string& playlistPath);
Expected<std::vector<std::string>> readPlaylist(const std::string& playlistPath);

// The discs a source holds: a playlist's, or the source itself as the one disc.
Expected<std::vector<std::string>> discPathsOf(const std::string& source);

}  // namespace quillon
