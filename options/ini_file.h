// An INI text held in memory: sections of lines, names matched without regard to
// ASCII letter case. Reading trims lines and drops blank and ";" comment lines and
// everything before the first section; writing gives each section its header, its
// lines and one empty line, every line ended by CR LF.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

class IniFile {
public:
    static IniFile parse(std::string_view text);
    std::string serialize() const;

    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // A value read as an integer: decimal, or hexadecimal after "0x", "0X" or "$";
    // anything else, and a value that is absent, gives nullopt.
    std::optional<long long> integer(std::string_view section, std::string_view key) const;
    // Replaces the value of an existing key in its place, or appends the key to the end
    // of its section (the section is added at the end when it is new). A value is cut
    // at a line break.
    void setValue(std::string_view section, std::string_view key, std::string_view value);

private:
    struct Line {
        std::string key;    // trimmed text before the first "="
        std::string value;  // trimmed text after it
        bool hasValue = false;
        std::string text;  // the whole trimmed line, for lines without "="
    };
    struct Section {
        std::string name;
        std::vector<Line> lines;
    };

    Section* findSection(std::string_view name);
    const Section* findSection(std::string_view name) const;

    std::vector<Section> sections_;
};

std::optional<long long> parseIniInteger(std::string_view text);

}  // namespace quillon
