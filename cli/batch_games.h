// The games of a batch: the sources named on the command line, and those found in the
// folders named there, as a user would count games: a playlist with its discs, a cue
// sheet with the files it names, a CHD, a lone disc image, a container.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

// What a batch looks for in folders: every kind of source, or containers alone.
enum class GameKinds { Sources, Containers };

struct FoundGame {
    std::string source;              // the file to convert (or verify, or extract)
    std::vector<std::string> files;  // every file it is read from, the source first
    bool missing = false;            // named on the command line, and no file or folder
};

// The files that `source` is read from: a playlist and its discs, a cue sheet and the
// files it names (each disc's, for a playlist of cue sheets), or the source alone. A
// playlist or sheet that cannot be read gives itself and, beside it, the disc files
// whose names begin with its own name without extension (they are taken to be its own).
std::vector<std::string> filesOfSource(const std::string& source);

// The games of `operands`: a file is a game as it is named; a folder is searched with
// all its sub-folders, in which a file that a playlist or cue sheet reads is no game of
// its own. `skipFolder` (the batch's output folder) and what it holds are never
// searched. The games come in the order of the operands, a folder's sorted by path; a
// source comes once, a container as often as it is named.
std::vector<FoundGame> findGames(const std::vector<std::string>& operands, const std::string& skipFolder,
                                 GameKinds kinds);

// The newest change of any of `files`, in seconds of the file clock; nullopt when one
// of them cannot be told.
std::optional<std::int64_t> newestChange(const std::vector<std::string>& files);

}  // namespace quillon
