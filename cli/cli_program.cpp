#include "cli/cli_program.h"

#include <filesystem>
#include <iostream>

#include "common/file_io.h"
#include "options/settings.h"
#include "source/examine_source.h"

namespace quillon {

void startFresh(CliProgram& program) {
    program.fields = FieldStore();
    loadOptions(program.fields, optionsFilePath(program.programFolder));
    program.gameList = loadGameList(gameListPath(program.programFolder));
}

void chooseSource(CliProgram& program, Host& host, const std::string& source) {
    const bool changed = program.fields.text(Field::srcIso) != source;
    program.fields.setText(Field::srcIso, source);
    if (changed) inspectSource(program.fields, host, program.gameList, program.programFolder);
    program.fields.caretToEnd(Field::srcIso);
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
