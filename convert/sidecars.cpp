#include "convert/sidecars.h"

#include <algorithm>
#include <filesystem>
#include <iterator>

#include "common/file_system.h"
#include "source/pbp.h"
#include "source/sbi_file.h"

namespace quillon {
namespace {

Status addSidecar(const std::string& from, std::size_t disc, std::size_t discCount, std::vector<Sidecar>& sidecars) {
    auto bytes = readSbiFile(from);
    if (!bytes) return bytes.error();
    sidecars.push_back({sidecarPath(kEbootName, disc, discCount), std::move(*bytes)});
    return {};
}

// A source container's sidecars keep their disc: "GAME.sbi" becomes "EBOOT.sbi",
// "GAME_2.sbi" "EBOOT_2.sbi".
Expected<std::vector<Sidecar>> sidecarsOfContainer(const std::string& source) {
    const std::vector<std::string> theirs = possibleSidecarPaths(source);
    const std::vector<std::string> ours = possibleSidecarPaths(kEbootName);
    std::vector<Sidecar> sidecars;
    for (std::size_t i = 0; i < theirs.size(); ++i) {
        if (!isFile(theirs[i])) continue;
        auto bytes = readSbiFile(theirs[i]);
        if (!bytes) return bytes.error();
        sidecars.push_back({ours[i], std::move(*bytes)});
    }
    return sidecars;
}

}  // namespace

Expected<std::vector<Sidecar>> sidecarsOf(const std::string& source, OpenedSource& opened) {
    if (isPbpPath(source)) return sidecarsOfContainer(source);
    auto discs = opened.discsOf(source);
    if (!discs) return discs.error();
    const std::size_t count = (*discs)->count();
    std::vector<Sidecar> sidecars;
    for (std::size_t i = 0; i < count; ++i) {
        const auto sbi = sbiBeside((*discs)->path(i));
        if (!sbi) continue;
        if (Status st = addSidecar(*sbi, i + 1, count, sidecars); !st) return st.error();
    }
    return sidecars;
}

Expected<OutputFileSet> createWithSidecars(const std::string& container, const std::vector<Sidecar>& sidecars) {
    const std::string folder = fromFsPath(toFsPath(container).parent_path());
    OutputFileSet outputs;
    if (Status st = outputs.add(container); !st) return st.error();
    for (const Sidecar& sidecar : sidecars) {
        if (Status st = outputs.add(folder + kPathSeparator + sidecar.name); !st) return st.error();
    }
    auto output = std::next(outputs.begin());
    for (const Sidecar& sidecar : sidecars) {
        if (Status st = (output++)->write(sidecar.bytes); !st) return st.error();
    }
    return outputs;
}

void removeOtherSidecars(const std::string& container, const std::vector<Sidecar>& kept) {
    for (const std::string& path : possibleSidecarPaths(container)) {
        const std::string name = fileNameOf(path);
        const bool keep = std::any_of(kept.begin(), kept.end(), [&](const Sidecar& s) { return s.name == name; });
        if (!keep) removeFile(path);
    }
}

}  // namespace quillon
