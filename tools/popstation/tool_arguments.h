// The tool's command line: [--start-screen PNGFILE] followed by either the source path
// alone or a title, a disc ID, a compression level and the source path. The conversion
// never passes the option.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/expected.h"

namespace quillon::popstation {

struct ToolRequest {
    std::optional<std::string> startScreenPath;  // a PNG file for the start screen
    std::string title;
    std::optional<std::string> discId;  // none: the ID found in the image
    int level = 0;                      // 0 stores every block as it is; 1 to 9 deflate
    std::string sourcePath;
};

inline constexpr const char* kToolUsage =
    "Usage: popstation [--start-screen PNGFILE] SOURCE\n"
    "       popstation [--start-screen PNGFILE] TITLE DISCID LEVEL SOURCE\n"
    "Writes EBOOT.PBP into the current folder. LEVEL is empty or 0 (blocks stored as they\n"
    "are) or 1 to 9 (blocks deflated at that level).";

// The compression level as typed: empty or one digit. Anything else is an error whose
// message names the text.
Expected<int> parseCompressionLevel(const std::string& text);

Expected<ToolRequest> parseToolArguments(const std::vector<std::string>& args);

}  // namespace quillon::popstation
