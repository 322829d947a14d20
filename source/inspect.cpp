#include "source/inspect.h"

#include "common/file_io.h"

namespace quillon {

SourceKind classifySource(const std::string& path) {
    if (!isFile(path)) return SourceKind::Missing;
    return toLowerAscii(extensionOf(path)) == ".pbp" ? SourceKind::Pbp : SourceKind::Image;
}

void inspectSource(Workspace&, Host&, const GameList&, const std::string&) {}

}  // namespace quillon
