// What the small text files that name a disc's files (cue sheets, playlists) share:
// blanks around words, and the form of their error messages.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "common/expected.h"

namespace quillon {

// `text` without the blanks and tabs around it.
std::string_view trimBlanks(std::string_view text);

// A format error naming the file and the line (counted from 1):
// `Cue sheet "/discs/game.cue", line 4: what`.
Error lineError(std::string_view kind, const std::string& path, std::size_t line,
                const std::string& what);

}  // namespace quillon
