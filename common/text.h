// Small text helpers shared by the formats and the messages: ASCII letter case, line
// splitting as text readers do it, and quoting a name in a message.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

inline char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string toLowerAscii(std::string text) {
    for (char& c : text) c = lowerAscii(c);
    return text;
}

inline std::string toUpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = upperAscii(c);
    return upper;
}

// Equal but for the letter case of ASCII letters.
inline bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

// The lines of a text: CR LF, a lone CR and a lone LF each end a line, and a line end
// at the very end of the text starts no further line.
inline std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) break;
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

// The lines of a text file, as splitLines gives them, without the UTF-8 byte-order mark
// that some editors put in front of a text they save.
inline std::vector<std::string_view> textFileLines(std::string_view text) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    return splitLines(text);
}

// A number as reports show it: its digits in groups of three, "10,602".
inline std::string groupedNumber(std::uint64_t number) {
    const std::string digits = std::to_string(number);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

// The longest start of `text` that takes at most `room` bytes and does not end inside
// a UTF-8 character: a character that would cross the room is left out whole.
inline std::string_view wholeCharactersWithin(std::string_view text, std::size_t room) {
    if (text.size() <= room) return text;
    std::size_t cut = room;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // a continuation byte
    return text.substr(0, cut);
}

// A name as messages show it: in double quotes.
inline std::string inQuotes(std::string_view text) { return "\"" + std::string(text) + "\""; }

// Whether the text is empty or holds blanks only.
inline bool isBlank(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

}  // namespace quillon
