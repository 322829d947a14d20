#include "source/text_lines.h"

#include <filesystem>

#include "common/file_io.h"
#include "common/text.h"

namespace quillon {

std::string_view trimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

Error lineError(std::string_view kind, const std::string& path, std::size_t line, const std::string& what) {
    return Error::format(std::string(kind) + " " + inQuotes(path) + ", line " + std::to_string(line) + ": " + what);
}

namespace {

// Whether the path names anything, a link that leads nowhere included.
bool somethingAt(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(toFsPath(path), ec));
}

}  // namespace

std::optional<std::string> unreadableEntry(const std::string& path, const std::string& missing) {
    const Status regular = checkRegularFile(path);
    if (regular) return std::nullopt;
    if (!somethingAt(path)) return missing;
    return regular.error().message;
}

Expected<InputFile> openEntry(const std::string& path, const std::string& missing) {
    auto file = InputFile::open(path);
    if (file || somethingAt(path)) return file;
    return Error::read(missing);
}

}  // namespace quillon
