#include "options/ini_file.h"

#include <limits>

#include "common/text.h"

namespace quillon {
namespace {

bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

int digitValue(char c, int base) {
    int v = -1;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    return v < base ? v : -1;
}

}  // namespace

std::optional<long long> parseIniInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    } else if (text.starts_with("$")) {
        base = 16;
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    long long value = 0;
    for (char c : text) {
        const int d = digitValue(c, base);
        if (d < 0) return std::nullopt;
        if (value > (std::numeric_limits<int>::max() - d) / base) return std::nullopt;
        value = value * base + d;
    }
    return negative ? -value : value;
}

IniFile IniFile::parse(std::string_view text) {
    IniFile ini;
    Section* current = nullptr;
    for (std::string_view raw : textFileLines(text)) {
        const std::string_view line = trim(raw);
        if (line.empty() || line.front() == ';') continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            const std::string_view name = trim(line.substr(1, line.size() - 2));
            current = ini.findSection(name);
            if (!current) {
                ini.sections_.push_back(Section{std::string(name), {}});
                current = &ini.sections_.back();
            }
            continue;
        }
        if (!current) continue;
        Line entry;
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) {
            entry.text = std::string(line);
        } else {
            entry.key = std::string(trim(line.substr(0, eq)));
            entry.value = std::string(trim(line.substr(eq + 1)));
            entry.hasValue = true;
        }
        current->lines.push_back(std::move(entry));
    }
    return ini;
}

std::string IniFile::serialize() const {
    std::string out;
    for (const Section& section : sections_) {
        out += "[" + section.name + "]\r\n";
        for (const Line& line : section.lines) {
            out += line.hasValue ? line.key + "=" + line.value : line.text;
            out += "\r\n";
        }
        out += "\r\n";
    }
    return out;
}

IniFile::Section* IniFile::findSection(std::string_view name) {
    for (Section& s : sections_) {
        if (equalIgnoringAsciiCase(s.name, name)) return &s;
    }
    return nullptr;
}

const IniFile::Section* IniFile::findSection(std::string_view name) const {
    for (const Section& s : sections_) {
        if (equalIgnoringAsciiCase(s.name, name)) return &s;
    }
    return nullptr;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    const Section* s = findSection(section);
    if (!s) return std::nullopt;
    for (const Line& line : s->lines) {
        if (line.hasValue && equalIgnoringAsciiCase(line.key, key)) return line.value;
    }
    return std::nullopt;
}

std::optional<long long> IniFile::integer(std::string_view section, std::string_view key) const {
    const auto text = value(section, key);
    if (!text) return std::nullopt;
    return parseIniInteger(*text);
}

void IniFile::setValue(std::string_view section, std::string_view key, std::string_view value) {
    // A value is one line: a line break in it would make the rest a line of its own.
    value = value.substr(0, value.find_first_of("\r\n"));
    Section* s = findSection(section);
    if (!s) {
        sections_.push_back(Section{std::string(section), {}});
        s = &sections_.back();
    }
    for (Line& line : s->lines) {
        if (line.hasValue && equalIgnoringAsciiCase(line.key, key)) {
            line.key = std::string(key);
            line.value = std::string(value);
            return;
        }
    }
    s->lines.push_back(Line{std::string(key), std::string(value), true, {}});
}

}  // namespace quillon
