// The lines of the small text files that name a disc's files (cue sheets, playlists),
// and the form of their error messages.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/expected.h"

namespace quillon {

// CR LF, LF and CR each end a line; a UTF-8 byte-order mark at the start is skipped. A
// line end at the very end starts no further line. The views point into `bytes`.
std::vector<std::string_view> textLines(std::span<const std::uint8_t> bytes);

// `text` without the blanks and tabs around it.
std::string_view trimBlanks(std::string_view text);

// A format error naming the file and the line (counted from 1):
// `Cue sheet "/discs/game.cue", line 4: what`.
Error lineError(std::string_view kind, const std::string& path, std::size_t line,
                const std::string& what);

}  // namespace quillon
