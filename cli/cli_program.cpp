#include "cli/cli_program.h"

#include <charconv>
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

OptionWord splitOption(const std::string& word) {
    const auto eq = word.find('=');
    if (!word.starts_with("--") || eq == std::string::npos) return {word, std::nullopt};
    return {word.substr(0, eq), word.substr(eq + 1)};
}

std::optional<std::string> optionValue(const OptionWord& word, const std::vector<std::string>& args, std::size_t& i) {
    if (word.value) return word.value;
    if (i + 1 >= args.size()) return std::nullopt;
    return args[++i];
}

std::optional<unsigned> jobCount(const std::string& text) {
    unsigned count = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (ec != std::errc() || end != text.data() + text.size() || count == 0) return std::nullopt;
    return count;
}

int usageError(const std::string& message) {
    std::cerr << "quillon-cli: " << message << "\nTry 'quillon-cli --help'." << std::endl;
    return 2;
}

}  // namespace quillon
