#include "source/text_lines.h"

#include "common/text.h"

namespace quillon {

std::string_view trimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

Error lineError(std::string_view kind, const std::string& path, std::size_t line,
                const std::string& what) {
    return Error::format(std::string(kind) + " " + inQuotes(path) + ", line " + std::to_string(line) +
                         ": " + what);
}

}  // namespace quillon
