#include <map>
#include <optional>
#include <string>

#include "app/default_fields.h"
#include "cli/cli_program.h"
#include "convert/convert_command.h"
#include "convert/qt_tool_process.h"

namespace quillon {
namespace {

struct TextOption {
    const char* name;
    Field field;
    std::size_t maxLength;  // the field's length limit; 0 for none
    bool isPath;
};

constexpr TextOption kTextOptions[] = {
    {"--title", Field::labelText, 0, false},   {"--save-title", Field::saveTitle, 0, false},
    {"--id-prefix", Field::saveID_l, 4, false}, {"--id-number", Field::saveID, 5, false},
    {"--icon0", Field::icon0, 0, true},        {"--icon1", Field::icon1, 0, true},
    {"--pic0", Field::unknown, 0, true},       {"--pic1", Field::pic1, 0, true},
    {"--snd0", Field::snd0, 0, true},          {"--warning", Field::warning, 0, true},
    {"--compression", Field::Compression, 1, false},
};

const TextOption* findTextOption(const std::string& name) {
    for (const TextOption& option : kTextOptions) {
        if (name == option.name) return &option;
    }
    return nullptr;
}

}  // namespace

int runConvertVerb(CliProgram& program, const std::vector<std::string>& args) {
    std::optional<std::string> source;
    std::optional<std::string> output;
    std::map<Field, std::string> texts;
    bool palFix = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const auto eq = name.find('='); name.starts_with("--") && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        if (name == "--pal-fix" && !value) {
            palFix = true;
            continue;
        }
        const TextOption* option = findTextOption(name);
        if (name == "--output" || option) {
            if (!value) {
                if (i + 1 >= args.size()) return usageError(name + " needs a value");
                value = args[++i];
            }
            if (option && option->maxLength && value->size() > option->maxLength) {
                return usageError(name + " takes at most " + std::to_string(option->maxLength) +
                                  " character(s)");
            }
            if (name == "--output") {
                output = absolutePath(*value);
            } else {
                texts[option->field] = option->isPath ? absolutePath(*value) : *value;
            }
            continue;
        }
        if (name.starts_with("--")) return usageError("unknown option " + name);
        if (source) return usageError("more than one SOURCE given");
        source = name;
    }
    if (!source) return usageError("convert needs a SOURCE");

    CliHost host;
    BusyState busy(host);
    host.attach(busy);
    chooseSource(program, host, absolutePath(*source));
    for (const auto& [field, text] : texts) program.fields.setPath(field, text);
    program.fields.setPalFix(palFix);
    if (output) {
        // As the output-folder browser: the chosen folder, then the per-game sub-folder.
        program.fields.setText(Field::dstPbp, *output);
        appendGameFolder(program.fields);
        program.fields.caretToEnd(Field::dstPbp);
    }
    QtToolProcess tool;
    runConversion(program.fields, busy, tool, program.programFolder);
    return host.finish();
}

}  // namespace quillon
