#include "cli/cli_program.h"

#include <filesystem>
#include <iostream>

#include "common/file_io.h"

namespace quillon {

// As the window starts: empty fields, the game list, the settings of the settings file.
CliProgram::CliProgram(const ProgramFolder& folder) : session(folder, host) {
    host.attach(session.busy());
    session.loadGameList();
    session.loadOptions();
}

std::string absolutePath(const std::string& path) {
    if (path.empty()) return path;
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(toFsPath(path), ec);
    return ec ? path : fromFsPath(absolute);
}

int usageError(const std::string& message) {
    std::cerr << "quillon-cli: " << message << "\nTry 'quillon-cli --help'." << std::endl;
    return 2;
}

}  // namespace quillon
