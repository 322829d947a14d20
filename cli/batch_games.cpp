#include "cli/batch_games.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "common/file_io.h"
#include "common/text.h"
#include "source/cue_sheet_disc.h"
#include "source/playlist.h"
#include "source/source_kinds.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;

bool isCueSheetPath(const std::string& path) { return sourceTypeOf(path) == SourceType::CueSheet; }

// The disc files that are a game on their own unless a playlist or a cue sheet reads them.
bool isDiscFile(const std::string& path) {
    const SourceFormat* format = sourceFormatOf(path);
    return format && (format->type == SourceType::DiscImage || format->type == SourceType::Chd);
}

// Every name in the table of source kinds is a game, or in a search for containers a
// container's alone.
bool isGameFile(const std::string& path, GameKinds kinds) {
    const SourceFormat* format = sourceFormatOf(path);
    return format && (kinds == GameKinds::Sources || format->type == SourceType::Pbp);
}

// A path as the batch compares paths: absolute, its links resolved where it exists.
std::string samePathKey(const std::string& path) {
    std::error_code ec;
    const fs::path canonical = fs::weakly_canonical(fs::absolute(toFsPath(path)), ec);
    return ec ? path : fromFsPath(canonical);
}

// The disc files beside an unreadable playlist or cue sheet whose names begin with its
// own name without extension.
std::vector<std::string> namesakes(const std::string& sheet) {
    std::vector<std::string> found;
    const std::string stem = toLowerAscii(withoutExtension(fileNameOf(sheet)));
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(toFsPath(sheet).parent_path(), ec)) {
        const std::string path = fromFsPath(entry.path());
        if (entry.is_regular_file(ec) && isDiscFile(path) && toLowerAscii(fileNameOf(path)).starts_with(stem)) {
            found.push_back(path);
        }
    }
    std::ranges::sort(found);
    return found;
}

std::vector<std::string> filesOfCueSheet(const std::string& sheet) {
    const auto read = readCueSheet(sheet);
    if (!read) return namesakes(sheet);
    std::vector<std::string> files;
    for (const CueFile& file : read->files) files.push_back(file.path);
    return files;
}

std::vector<std::string> filesOfPlaylist(const std::string& playlist) {
    const auto discs = readPlaylist(playlist);
    if (!discs) return namesakes(playlist);
    std::vector<std::string> files;
    for (const std::string& disc : *discs) {
        files.push_back(disc);
        if (isCueSheetPath(disc)) {
            const std::vector<std::string> more = filesOfCueSheet(disc);
            files.insert(files.end(), more.begin(), more.end());
        }
    }
    return files;
}

// The files below `folder` that may be games, sorted; `skipFolder` and what it holds left out.
std::vector<std::string> gameFilesBelow(const std::string& folder, const std::string& skipFolder, GameKinds kinds) {
    std::vector<std::string> found;
    std::error_code ec;
    const fs::path skip = toFsPath(skipFolder);
    fs::recursive_directory_iterator walk(toFsPath(folder), fs::directory_options::skip_permission_denied, ec);
    for (; !ec && walk != fs::recursive_directory_iterator(); walk.increment(ec)) {
        std::error_code entryError;
        if (walk->is_directory(entryError)) {
            if (!skipFolder.empty() && fs::equivalent(walk->path(), skip, entryError)) walk.disable_recursion_pending();
            continue;
        }
        const std::string path = fromFsPath(walk->path());
        if (walk->is_regular_file(entryError) && isGameFile(path, kinds)) found.push_back(path);
    }
    std::ranges::sort(found);
    return found;
}

// The games among the files of one folder: playlists first claim their discs, then cue
// sheets their files; what is left unclaimed is a game of its own.
std::vector<FoundGame> gamesAmong(const std::vector<std::string>& files) {
    std::set<std::string> claimed;
    const auto claim = [&](const std::string& source) {
        const std::vector<std::string> read = filesOfSource(source);
        for (std::size_t i = 1; i < read.size(); ++i) claimed.insert(samePathKey(read[i]));
    };
    for (const std::string& file : files) {
        if (isPlaylistPath(file)) claim(file);
    }
    for (const std::string& file : files) {
        if (isCueSheetPath(file) && !claimed.contains(samePathKey(file))) claim(file);
    }
    std::vector<FoundGame> games;
    for (const std::string& file : files) {
        if (!claimed.contains(samePathKey(file))) games.push_back({file, filesOfSource(file)});
    }
    return games;
}

}  // namespace

std::vector<std::string> filesOfSource(const std::string& source) {
    std::vector<std::string> files{source};
    const std::vector<std::string> more = isPlaylistPath(source)   ? filesOfPlaylist(source)
                                          : isCueSheetPath(source) ? filesOfCueSheet(source)
                                                                   : std::vector<std::string>{};
    files.insert(files.end(), more.begin(), more.end());
    return files;
}

std::vector<FoundGame> findGames(const std::vector<std::string>& operands, const std::string& skipFolder,
                                 GameKinds kinds) {
    std::vector<FoundGame> games;
    std::set<std::string> seen;
    // A game to convert comes once; a container to read is read as often as it is named.
    const auto add = [&](FoundGame game) {
        if (seen.insert(samePathKey(game.source)).second || kinds == GameKinds::Containers) {
            games.push_back(std::move(game));
        }
    };
    for (const std::string& operand : operands) {
        if (isFolder(operand)) {
            for (FoundGame& game : gamesAmong(gameFilesBelow(operand, skipFolder, kinds))) add(std::move(game));
        } else {
            add({operand, isFile(operand) ? filesOfSource(operand) : std::vector{operand},
                 !fs::exists(toFsPath(operand))});
        }
    }
    return games;
}

std::optional<std::int64_t> newestChange(const std::vector<std::string>& files) {
    std::optional<std::int64_t> newest;
    for (const std::string& file : files) {
        std::error_code ec;
        const auto time = fs::last_write_time(toFsPath(file), ec);
        if (ec) return std::nullopt;
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(time.time_since_epoch()).count();
        newest = std::max(newest.value_or(seconds), static_cast<std::int64_t>(seconds));
    }
    return newest;
}

}  // namespace quillon
