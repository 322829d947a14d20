// What the command-line verbs share: the program folder, a freshly started program's
// fields and game list, and the choice of a source as the source picker makes it.
#pragma once

#include <string>
#include <vector>

#include "app/field_store.h"
#include "cli/cli_host.h"
#include "source/game_list.h"

namespace quillon {

struct CliProgram {
    std::string programFolder;  // with a trailing separator
    FieldStore fields;
    GameList gameList;
};

// A program as it stands after start-up: empty fields, the settings of
// Files/options.ini, the game list of Files/gameInfo.txt.
void startFresh(CliProgram& program);

// Puts `source` into the source field; a change runs source inspection.
void chooseSource(CliProgram& program, Host& host, const std::string& source);

// An absolute form of a path given on the command line (empty stays empty).
std::string absolutePath(const std::string& path);

int runConvertVerb(CliProgram& program, const std::vector<std::string>& args);
int runExtractVerb(CliProgram& program, const std::vector<std::string>& args);
int runInspectVerb(CliProgram& program, const std::vector<std::string>& args);

// Prints a usage error to stderr; the exit status of a usage error.
int usageError(const std::string& message);

}  // namespace quillon
