#include "source/game_list.h"

#include "common/file_io.h"

namespace quillon {

GameList parseGameList(std::span<const std::uint8_t> bytes) {
    GameList list;
    std::string line;
    for (const std::uint8_t byte : bytes) {
        if (byte == '\n') continue;
        if (byte == '\r') {
            list.push_back(std::move(line));
            line.clear();
            continue;
        }
        line.push_back(static_cast<char>(byte));
    }
    return list;
}

GameList loadGameList(const std::string& path) {
    const auto bytes = readWholeFile(path);
    if (!bytes) return {};
    return parseGameList(*bytes);
}

std::optional<std::size_t> findGameEntry(const GameList& list, std::string_view key) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].find(key) != std::string::npos) return i;
    }
    return std::nullopt;
}

std::string regionWordOf(std::string_view entry) {
    std::string word;
    int field = 0;
    for (const char c : entry) {
        if (c == ';') {
            if (++field > 2) break;
        } else if (field == 2) {
            word.push_back(c);
        }
    }
    return word;
}

std::string titleOf(std::string_view entry) {
    const auto cut = entry.rfind(';');
    return std::string(cut == std::string_view::npos ? entry : entry.substr(cut + 1));
}

std::string saveTitleOf(std::string_view title) {
    const auto bracket = title.find('[');
    if (bracket == std::string_view::npos) return std::string(title);
    std::string saveTitle(title.substr(0, bracket));
    while (!saveTitle.empty() && saveTitle.back() == ' ') saveTitle.pop_back();
    return saveTitle;
}

}  // namespace quillon
