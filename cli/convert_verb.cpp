#include <map>
#include <optional>
#include <string>

#include "cli/batch_convert.h"
#include "cli/cli_program.h"
#include "common/file_io.h"
#include "process/qt_tool_process.h"
#include "state/compression_level.h"
#include "state/default_fields.h"

namespace quillon {
namespace {

struct TextOption {
    const char* name;
    Field field;
    bool isPath;
};

constexpr TextOption kTextOptions[] = {
    {"--title", Field::title, false},
    {"--save-title", Field::saveTitle, false},
    {"--id-prefix", Field::discIdPrefix, false},
    {"--id-number", Field::discIdNumber, false},
    {"--icon0", Field::icon0, true},
    {"--icon1", Field::icon1, true},
    {"--pic0", Field::pic0, true},
    {"--pic1", Field::pic1, true},
    {"--snd0", Field::snd0, true},
    {"--warning", Field::warning, true},
    {"--compression", Field::compressionLevel, false},
};

// The value of --compression that asks for the strongest compression.
constexpr const char* kStrongestWord = "max";

const TextOption* findTextOption(const std::string& name) {
    for (const TextOption& option : kTextOptions) {
        if (name == option.name) return &option;
    }
    return nullptr;
}

// Why an option's value could not be typed into its field; nullopt when it could.
std::optional<std::string> typingRefusal(const std::string& name, Field field, const std::string& value) {
    if (acceptsTyped(field, value)) return std::nullopt;
    if (value.find_first_of("\r\n") != std::string::npos) return name + " takes a single line";
    const std::size_t limit = ruleOf(field).typingLimit;
    return name + " takes at most " + std::to_string(limit) + " character(s)";
}

// Converts the one source as the window does.
int convertOneGame(CliProgram& program, const BatchConversion& request, const std::map<Field, std::string>& texts) {
    FieldState& fields = program.session.fields();
    chooseSource(fields, absolutePath(request.sources.front()));
    // The inspection has refused the source once; a conversion would only say so again.
    if (program.session.sourceRefused()) return program.host.finish(OperationEnd::Done);
    for (const auto& [field, text] : texts) fields.setPath(field, text);
    fields.setPalFix(request.palFix);
    if (!request.output.empty()) chooseOutputFolder(fields, request.output);
    QtToolProcess tool;
    return program.host.finish(program.session.convert(tool, request.compression));
}

}  // namespace

int runConvertVerb(CliProgram& program, const std::vector<std::string>& args) {
    BatchConversion request;
    std::map<Field, std::string> texts;
    std::optional<std::string> oneGameOption;  // the first option that names one game's value
    bool batchOption = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const OptionWord word = splitOption(args[i]);
        const std::string& name = word.name;
        if (!word.value && (name == "--pal-fix" || name == "--redo" || name == "--dry-run")) {
            (name == "--pal-fix" ? request.palFix : name == "--redo" ? request.redo : request.dryRun) = true;
            batchOption = batchOption || name != "--pal-fix";
            continue;
        }
        const TextOption* option = findTextOption(name);
        if (name == "--output" || name == "--jobs" || option) {
            const std::optional<std::string> value = optionValue(word, args, i);
            if (!value) return usageError(name + " needs a value");
            if (name == "--output") {
                request.output = absolutePath(*value);
                continue;
            }
            if (name == "--jobs") {
                request.jobs = jobCount(*value);
                if (!request.jobs) return usageError("--jobs takes a number of conversions at once: 1, 2, ...");
                batchOption = true;
                continue;
            }
            if (option->field == Field::compressionLevel) {
                // The strongest compression is this run's alone: the setting stays as it is.
                request.compression = *value == kStrongestWord ? ToolCompression::Strongest : ToolCompression::Setting;
                if (request.compression == ToolCompression::Strongest) continue;
                const auto level = CompressionLevel::parse(*value);
                if (!level) return usageError(name + " takes a level from 0 to 9, " + kStrongestWord + " or nothing");
                request.compressionLevel = level->text();
                texts[option->field] = level->text();
                continue;
            }
            if (const auto refusal = typingRefusal(name, option->field, *value)) return usageError(*refusal);
            texts[option->field] = option->isPath ? absolutePath(*value) : *value;
            if (!oneGameOption) oneGameOption = name;
            continue;
        }
        if (name.starts_with("--")) return usageError("unknown option " + name);
        request.sources.push_back(name);
    }
    if (request.sources.empty()) return usageError("convert needs a SOURCE");
    const bool batch = batchOption || request.sources.size() > 1 || isFolder(absolutePath(request.sources.front()));
    if (!batch) return convertOneGame(program, request, texts);
    if (oneGameOption) return usageError(*oneGameOption + " names one game's value: it cannot be given for several");
    if (request.output.empty()) return usageError("converting several games needs --output DIR");
    return runBatchConversion(program, request);
}

}  // namespace quillon
