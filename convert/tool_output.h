// The popstation tool's standard output as the conversion reads it: its progress lines,
// read in one place into bytes done of bytes total, and the rest of its lines, which
// tell success ("Done.") or are shown as its error message.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/progress.h"

namespace quillon {

struct ToolProgress {
    std::uint64_t done = 0;
    std::uint64_t total = 0;
};

// A line "Writing EBOOT.PBP... N%" (N a whole percentage of at most three digits) read
// against the `total` bytes the tool packs; nullopt for any other line.
std::optional<ToolProgress> readProgressLine(std::string_view line, std::uint64_t total);

// The output once the tool has ended: the text of its error message, every line but
// the progress lines followed by CR LF, and its last line (a progress line too), which
// is "Done." exactly when the tool succeeded.
struct ToolOutput {
    std::string messageText;
    std::string lastLine;
};

ToolOutput readToolOutput(std::string_view text);

// Follows the tool's output file while the tool writes it, for the progress it reports.
class ToolProgressFollower {
public:
    ToolProgressFollower(std::string path, std::uint64_t total) : path_(std::move(path)), total_(total) {}

    // The progress reported last, from what the file has grown by since the last look;
    // nullopt before any progress line.
    std::optional<ToolProgress> latest();

private:
    std::string path_;
    std::uint64_t total_;
    std::uint64_t read_ = 0;
    std::string pending_;  // a last line not yet ended
    std::optional<ToolProgress> latest_;
};

}  // namespace quillon
