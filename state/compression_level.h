// The compression level of the popstation tool as the command line takes it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillon {

// None (the tool stores every block as it is) or a level from 0 to 9.
class CompressionLevel {
public:
    // Nothing for none, or one digit; nullopt for anything else.
    static std::optional<CompressionLevel> parse(std::string_view text) {
        if (text.empty()) return CompressionLevel();
        if (text.size() != 1 || text[0] < '0' || text[0] > '9') return std::nullopt;
        return CompressionLevel(text[0] - '0');
    }

    // As the compression field and the tool take it: empty for none.
    std::string text() const { return level_ ? std::to_string(*level_) : std::string(); }

private:
    CompressionLevel() = default;
    explicit CompressionLevel(int level) : level_(level) {}

    std::optional<int> level_;
};

}  // namespace quillon
