#include <charconv>
#include <optional>

#include "cli/cli_program.h"
#include "extract/extract_command.h"

namespace quillon {
namespace {

// A disc number as typed: 1 or more, in decimal digits.
std::optional<std::size_t> discNumber(const std::string& text) {
    std::size_t number = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (ec != std::errc() || end != text.data() + text.size() || number == 0) return std::nullopt;
    return number;
}

}  // namespace

int runExtractVerb(CliProgram& program, const std::vector<std::string>& args) {
    std::vector<std::string> paths;
    std::optional<std::size_t> disc;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const OptionWord word = splitOption(args[i]);
        if (word.name == "--disc") {
            const std::optional<std::string> value = optionValue(word, args, i);
            if (!value) return usageError("--disc needs a value");
            disc = discNumber(*value);
            if (!disc) return usageError("--disc takes a disc number: 1, 2, ...");
            continue;
        }
        if (args[i].starts_with("--")) return usageError("unknown option " + args[i]);
        paths.push_back(args[i]);
    }
    if (paths.size() != 2) return usageError("extract needs SOURCE and OUTPUT");
    program.host.setSaveName(absolutePath(paths[1]));
    // The extraction reads the source field alone (its save dialog is answered with
    // OUTPUT): the source is taken as it stands, not inspected, so no artwork is written
    // out of it.
    FieldState fields;
    fields.setText(Field::sourcePath, absolutePath(paths[0]));
    return program.host.finish(runIsoExtraction(fields, program.session.busy(), disc));
}

}  // namespace quillon
