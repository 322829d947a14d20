#include "cli/cli_program.h"
#include "extract/extract_command.h"

namespace quillon {

int runExtractVerb(CliProgram& program, const std::vector<std::string>& args) {
    if (args.size() != 2) return usageError("extract needs SOURCE and OUTPUT");
    program.host.setSaveName(absolutePath(args[1]));
    // The extraction reads the source field alone (its save dialog is answered with
    // OUTPUT): the source is taken as it stands, not inspected, so no artwork is written
    // out of it.
    FieldState fields;
    fields.setText(Field::srcIso, absolutePath(args[0]));
    runIsoExtraction(fields, program.session.busy());
    return program.host.finish();
}

}  // namespace quillon
