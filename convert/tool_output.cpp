#include "convert/tool_output.h"

#include "common/file_io.h"
#include "common/text.h"
#include "source/pbp.h"

namespace quillon {

std::optional<ToolProgress> readProgressLine(std::string_view line, std::uint64_t total) {
    if (!line.starts_with(kPackingReport) || !line.ends_with('%')) return std::nullopt;
    line.remove_prefix(kPackingReport.size());
    const std::string_view number = line.substr(0, line.size() - 1);
    constexpr std::size_t kMostDigits = 3;
    if (number.empty() || number.size() > kMostDigits ||
        number.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    const auto percent = static_cast<std::uint64_t>(std::stoi(std::string(number)));
    return ToolProgress{total * percent / 100, total};
}

ToolOutput readToolOutput(std::string_view text) {
    ToolOutput output;
    for (const std::string_view line : splitLines(text)) {
        output.lastLine = std::string(line);
        if (!readProgressLine(line, 0)) output.messageText += output.lastLine + "\r\n";
    }
    return output;
}

std::optional<ToolProgress> ToolProgressFollower::latest() {
    auto file = InputFile::open(path_);
    if (!file || file->size() <= read_) return latest_;
    auto grown = file->readUpTo(read_, static_cast<std::size_t>(file->size() - read_));
    if (!grown) return latest_;
    read_ += grown->size();
    pending_ += asText(*grown);
    const std::size_t lastLineEnd = pending_.find_last_of("\r\n");
    if (lastLineEnd == std::string::npos) return latest_;
    for (const std::string_view line : splitLines(std::string_view(pending_).substr(0, lastLineEnd))) {
        if (const auto progress = readProgressLine(line, total_)) latest_ = progress;
    }
    pending_.erase(0, lastLineEnd + 1);
    return latest_;
}

}  // namespace quillon
