// What the command-line verbs share: a session started as the window starts, over the
// command line's host, and the forms of paths given as arguments.
#pragma once

#include <optional>
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
// Needs no program folder: it reads the containers named and writes nothing.
int runVerifyVerb(const std::vector<std::string>& args);

// A word of the command line as options are written: "--name=VALUE" gives the name and
// the value; any other word is a name alone.
struct OptionWord {
    std::string name;
    std::optional<std::string> value;
};
OptionWord splitOption(const std::string& word);

// The value of the option `word` at args[i]: its own, or else the next word (and `i`
// moves past it); nullopt when there is neither.
std::optional<std::string> optionValue(const OptionWord& word, const std::vector<std::string>& args, std::size_t& i);

// A count of jobs as typed: 1 or more, in decimal digits.
std::optional<unsigned> jobCount(const std::string& text);

// Prints a usage error to stderr; the exit status of a usage error.
int usageError(const std::string& message);

}  // namespace quillon
