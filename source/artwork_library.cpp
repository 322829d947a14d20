#include "source/artwork_library.h"

#include <array>
#include <filesystem>
#include <optional>
#include <system_error>

#include "common/file_io.h"

namespace quillon {
namespace {

struct ArtworkKind {
    const char* folder;
    const char* extension;
    Field field;
};

constexpr std::array<ArtworkKind, 5> kArtworkKinds{{
    {"icon0", ".png", Field::icon0},
    {"icon1", ".pmf", Field::icon1},
    {"pic0", ".png", Field::unknown},
    {"pic1", ".png", Field::pic1},
    {"snd0", ".at3", Field::snd0},
}};

// The entry of `folder` named `name` in any letter case, the exact spelling first;
// among several other spellings the first in name order, so the choice is stable.
// A name holding a separator or a zero byte (a disc ID may) names no entry.
std::optional<std::string> entryIgnoringCase(const std::string& folder, const std::string& name,
                                             bool wantFolder) {
    if (name.find_first_of(std::string("/\\\0", 3)) != std::string::npos) return std::nullopt;
    const std::string exact = folder + name;
    if (wantFolder ? isFolder(exact) : isFile(exact)) return exact;
    const std::string wanted = toLowerAscii(name);
    std::optional<std::string> best;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(toFsPath(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string entry = fromFsPath(it->path().filename());
        if (toLowerAscii(entry) != wanted) continue;
        const std::string path = folder + entry;
        if (!(wantFolder ? isFolder(path) : isFile(path))) continue;
        if (!best || path < *best) best = path;
    }
    return best;
}

std::optional<std::string> libraryFile(const std::string& programFolder, const ArtworkKind& kind,
                                       const std::string& discId) {
    const auto pics = entryIgnoringCase(programFolder, "Pics", true);
    if (!pics) return std::nullopt;
    const auto folder = entryIgnoringCase(*pics + kPathSeparator, kind.folder, true);
    if (!folder) return std::nullopt;
    return entryIgnoringCase(*folder + kPathSeparator, discId + kind.extension, false);
}

}  // namespace

std::string picsFolder(const std::string& programFolder) {
    return programFolder + "Pics" + kPathSeparator;
}

void lookUpArtwork(Workspace& fields, const std::string& programFolder,
                   const std::string& discId) {
    for (const ArtworkKind& kind : kArtworkKinds) {
        if (const auto path = libraryFile(programFolder, kind, discId)) {
            fields.setText(kind.field, *path);
        }
    }
    for (const ArtworkKind& kind : kArtworkKinds) fields.caretToEnd(kind.field);
}

}  // namespace quillon
