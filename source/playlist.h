// Playlists (.m3u): the discs of a game of several discs, one path a line, relative to
// the playlist's folder unless absolute; blank lines and lines starting with '#' are
// skipped. A disc is a disc image, a cue sheet or a CHD; a playlist or a PBP container is
// not.
#pragma once

#include <functional>
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

// Why the disc file at `path` that a line names cannot be read; nullopt when it can.
using DiscFileProblem = std::function<std::optional<std::string>(const std::string& path)>;

// The disc paths of the playlist `text` found at `playlistPath`: one to five, each of a
// disc's kind and without a problem that `problemOf` tells, asked in the order of the
// lines: the parser itself touches no file. Every error names the playlist and the line.
Expected<std::vector<std::string>> parsePlaylist(std::span<const std::uint8_t> text, const std::string& playlistPath,
                                                 const DiscFileProblem& problemOf);
// The playlist file's disc paths, each an existing file.
Expected<std::vector<std::string>> readPlaylist(const std::string& playlistPath);

}  // namespace quillon
