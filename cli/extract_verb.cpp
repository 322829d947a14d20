#include <charconv>
#include <optional>

#include "cli/batch_extract.h"
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
    BatchExtraction batch;
    std::optional<std::size_t> disc;
    std::optional<std::string> batchOption;  // the first option that only a batch takes
    for (std::size_t i = 0; i < args.size(); ++i) {
        const OptionWord word = splitOption(args[i]);
        const std::string& name = word.name;
        if (!word.value && (name == "--redo" || name == "--dry-run")) {
            (name == "--redo" ? batch.redo : batch.dryRun) = true;
            if (!batchOption) batchOption = name;
            continue;
        }
        if (name == "--disc" || name == "--output" || name == "--jobs") {
            const std::optional<std::string> value = optionValue(word, args, i);
            if (!value) return usageError(name + " needs a value");
            if (name == "--output") {
                batch.output = absolutePath(*value);
            } else if (name == "--jobs") {
                batch.jobs = jobCount(*value);
                if (!batch.jobs) return usageError("--jobs takes a number of extractions at once: 1, 2, ...");
                if (!batchOption) batchOption = name;
            } else {
                disc = discNumber(*value);
                if (!disc) return usageError("--disc takes a disc number: 1, 2, ...");
            }
            continue;
        }
        if (name.starts_with("--")) return usageError("unknown option " + name);
        batch.containers.push_back(name);
    }
    if (!batch.output.empty()) {
        if (disc) return usageError("--disc names one container's disc: it cannot be given with --output");
        if (batch.containers.empty()) return usageError("extract needs at least one CONTAINER");
        return runBatchExtraction(program, batch);
    }
    if (batchOption) return usageError(*batchOption + " needs --output DIR");
    const std::vector<std::string>& paths = batch.containers;
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
