#include "source/playlist.h"

#include "common/bytes.h"
#include "common/file_io.h"
#include "common/text.h"
#include "source/multi_disc.h"
#include "source/source_kinds.h"
#include "source/text_lines.h"

namespace quillon {

bool isPlaylistPath(const std::string& path) { return sourceTypeOf(path) == SourceType::Playlist; }

std::optional<std::string> discKindProblem(const std::string& path) {
    switch (sourceTypeOf(path)) {
        case SourceType::Playlist: return inQuotes(path) + " is a playlist, not a disc";
        case SourceType::Pbp: return inQuotes(path) + " is a PBP container, not a disc image";
        case SourceType::DiscImage:
        case SourceType::CueSheet:
        case SourceType::Chd: break;
    }
    return std::nullopt;
}

Expected<std::vector<std::string>> parsePlaylist(std::span<const std::uint8_t> text, const std::string& playlistPath,
                                                 const DiscFileProblem& problemOf) {
    const auto error = [&playlistPath](std::size_t line, const std::string& what) {
        return lineError("Playlist", playlistPath, line, what);
    };
    const std::vector<std::string_view> lines = textFileLines(asText(text));
    const std::filesystem::path folder = toFsPath(playlistPath).parent_path();
    std::vector<std::string> discs;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view entry = trimBlanks(lines[i]);
        if (entry.empty() || entry.front() == '#') continue;
        if (discs.size() == kMaxDiscs) return error(i + 1, "a game holds at most five discs");
        std::filesystem::path disc = toFsPath(std::string(entry));
        if (disc.is_relative()) disc = folder / disc;
        const std::string path = fromFsPath(disc);
        if (auto problem = discKindProblem(path)) return error(i + 1, *problem);
        if (auto unreadable = problemOf(path)) return error(i + 1, *unreadable);
        discs.push_back(path);
    }
    if (discs.empty()) {
        return error(std::max<std::size_t>(lines.size(), 1), "the playlist names no disc");
    }
    return discs;
}

Expected<std::vector<std::string>> readPlaylist(const std::string& playlistPath) {
    auto text = readWholeFile(playlistPath);
    if (!text) return text.error();
    return parsePlaylist(*text, playlistPath, [](const std::string& path) {
        return unreadableEntry(path, "the disc file " + inQuotes(path) + " is missing");
    });
}

}  // namespace quillon
