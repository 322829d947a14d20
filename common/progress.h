// The progress of a long operation, in one shape for all of them: the conversion's
// copy, the popstation tool's packing and the extraction call it once per block of
// work. The window's callback shows the status text and lets pending events run (an
// "Abort" click among them); the command line's draws a progress line and watches for
// Ctrl+C. Returning false asks the operation to stop.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace quillon {

struct ProgressReport {
    std::string status;       // the status-line text; empty leaves the line as it is
    std::uint64_t done = 0;   // bytes of work done so far, of `total`
    std::uint64_t total = 0;  // 0 when the amount of work is not known
};

using Progress = std::function<bool(const ProgressReport& report)>;

// `part` as a whole percentage of `whole`, divided in floating point first and then
// taken downwards (0 for an empty whole).
inline int percentOf(std::uint64_t part, std::uint64_t whole) {
    if (whole == 0) return 0;
    return static_cast<int>(static_cast<double>(part) / static_cast<double>(whole) * 100.0);
}

}  // namespace quillon
