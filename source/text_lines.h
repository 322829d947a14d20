// What the small text files that name a disc's files (cue sheets, playlists) share:
// blanks around words, and the form of their error messages.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "common/expected.h"
#include "common/file_io.h"

namespace quillon {

// `text` without the blanks and tabs around it.
std::string_view trimBlanks(std::string_view text);

// A format error naming the file and the line (counted from 1):
// `Cue sheet "/discs/game.cue", line 4: what`.
Error lineError(std::string_view kind, const std::string& path, std::size_t line, const std::string& what);

// Why the file that a line names cannot be read: `missing` when nothing is there, else
// what the path names instead (a folder, a named pipe, a device, a loop of links);
// nullopt when it is a regular file.
std::optional<std::string> unreadableEntry(const std::string& path, const std::string& missing);

// The file that a line names, opened; else why it cannot be read, as unreadableEntry
// says it, or why the open failed.
Expected<InputFile> openEntry(const std::string& path, const std::string& missing);

}  // namespace quillon
