#include <iostream>
#include <utility>

#include "cli/cli_program.h"
#include "inspect/inspect_source.h"
#include "state/artwork_kinds.h"
#include "state/default_fields.h"

namespace quillon {
namespace {

const char* kindName(SourceKind kind) {
    switch (kind) {
        case SourceKind::Pbp: return "pbp";
        case SourceKind::Image: return "image";
        case SourceKind::Missing: break;
    }
    return "missing";
}

}  // namespace

int runInspectVerb(CliProgram& program, const std::vector<std::string>& args) {
    if (args.size() != 1) return usageError("inspect needs one SOURCE");
    const std::string source = absolutePath(args[0]);
    const SourceKind kind = classifySource(source);
    chooseSource(program.session.fields(), source);
    const FieldState& f = program.session.fields();
    std::vector<std::pair<std::string, std::string>> lines{
        {"kind", kindName(kind)},
        {"disc-id", f.text(Field::discIdPrefix) + f.text(Field::discIdNumber)},
        {"title", f.text(Field::title)},
        {"save-title", f.text(Field::saveTitle)},
        {"region", f.text(Field::regionCaption)},
        {"output", f.text(Field::outputFolder)},
    };
    // The artwork under the names of its library folders.
    for (const ArtworkKind& artwork : kArtworkKinds) lines.emplace_back(artwork.libraryFolder, f.text(artwork.field));
    lines.emplace_back("warning", f.text(Field::warning));
    for (const auto& [key, value] : lines) std::cout << key << ": " << value << "\n";
    std::cout.flush();
    return program.host.messageShown() ? 1 : 0;
}

}  // namespace quillon
