// What the command-line verbs share: a session started as the window starts, over the
// command line's host, and the forms of paths given as arguments.
#pragma once

#include <string>
#include <vector>

#include "cli/cli_host.h"
#include "session/session.h"

namespace quillon {

struct CliProgram {
    explicit CliProgram(const ProgramFolder& folder);

    CliHost host;
    Session session;
};

// An absolute form of a path given on the command line (empty stays empty).
std::string absolutePath(const std::string& path);

int runConvertVerb(CliProgram& program, const std::vector<std::string>& args);
int runExtractVerb(CliProgram& program, const std::vector<std::string>& args);
int runInspectVerb(CliProgram& program, const std::vector<std::string>& args);

// Prints a usage error to stderr; the exit status of a usage error.
int usageError(const std::string& message);

}  // namespace quillon
