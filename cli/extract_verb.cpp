#include "cli/cli_program.h"
#include "extract/extract_command.h"

namespace quillon {

int runExtractVerb(CliProgram& program, const std::vector<std::string>& args) {
    if (args.size() != 2) return usageError("extract needs SOURCE and OUTPUT");
    CliHost host(absolutePath(args[1]));
    BusyState busy(host);
    host.attach(busy);
    // The source is taken as it stands: extraction reads nothing that inspection fills.
    program.fields.setPath(Field::srcIso, absolutePath(args[0]));
    runIsoExtraction(program.fields, busy);
    return host.finish();
}

}  // namespace quillon
