#include "source/text_lines.h"

#include "common/bytes.h"

namespace quillon {

std::vector<std::string_view> textLines(std::span<const std::uint8_t> bytes) {
    std::string_view text = asText(bytes);
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1));
    }
    return lines;
}

std::string_view trimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

Error lineError(std::string_view kind, const std::string& path, std::size_t line,
                const std::string& what) {
    return Error::format(std::string(kind) + " \"" + path + "\", line " + std::to_string(line) +
                         ": " + what);
}

}  // namespace quillon
