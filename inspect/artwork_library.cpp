#include "inspect/artwork_library.h"

#include <array>
#include <filesystem>
#include <optional>
#include <system_error>

#include "common/file_io.h"
#include "state/artwork_kinds.h"

namespace quillon {
namespace {

// The entry of `folder` named `name` in any letter case, the exact spelling first;
// among several other spellings the first in name order, so the choice is stable.
// A name holding a separator or a zero byte (a disc ID may) names no entry.
std::optional<std::string> entryIgnoringCase(const std::string& folder, const std::string& name, bool wantFolder) {
    if (name.find_first_of(std::string("/\\\0", 3)) != std::string::npos) return std::nullopt;
    const std::string exact = folder + name;
    if (wantFolder ? isFolder(exact) : isFile(exact)) return exact;
    const std::string wanted = toLowerAscii(name);
    std::optional<std::string> best;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(toFsPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = fromFsPath(it->path().filename());
        if (toLowerAscii(entry) != wanted) continue;
        const std::string path = folder + entry;
        if (!(wantFolder ? isFolder(path) : isFile(path))) continue;
        if (!best || path < *best) best = path;
    }
    return best;
}

std::optional<std::string> libraryFile(const ProgramFolder& program, const ArtworkKind& kind,
                                       const std::string& discId) {
    const auto pics = entryIgnoringCase(program.root(), "Pics", true);
    if (!pics) return std::nullopt;
    const auto folder = entryIgnoringCase(*pics + kPathSeparator, kind.libraryFolder, true);
    if (!folder) return std::nullopt;
    return entryIgnoringCase(*folder + kPathSeparator, discId + kind.extension, false);
}

}  // namespace

void lookUpArtwork(FieldState& fields, const ProgramFolder& folder, const std::string& discId) {
    for (const ArtworkKind& kind : kArtworkKinds) {
        if (const auto path = libraryFile(folder, kind, discId)) {
            fields.setText(kind.field, *path);
        }
    }
    for (const ArtworkKind& kind : kArtworkKinds) fields.caretToEnd(kind.field);
}

}  // namespace quillon
