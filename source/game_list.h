// The game title list Files/gameInfo.txt: one line per game, ";"-separated fields,
// field 2 the region word, the last field the title.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

using GameList = std::vector<std::string>;

// A carriage return ends a line, line feeds are ignored, text after the last carriage
// return is dropped.
GameList parseGameList(std::span<const std::uint8_t> bytes);
// The list of the file at `path`, read-only; empty when it cannot be read.
GameList loadGameList(const std::string& path);

// Index of the first line that contains `key`, byte for byte.
std::optional<std::size_t> findGameEntry(const GameList& list, std::string_view key);

std::string regionWordOf(std::string_view entry);
std::string titleOf(std::string_view entry);
// The title cut before its first "[" with trailing blanks removed; a title without "["
// unchanged.
std::string saveTitleOf(std::string_view title);

}  // namespace quillon
