// The tool's command line: the options [--start-screen PNGFILE] [--base PBPFILE]
// [--max-compression], followed by either the sources alone or a title, a disc ID, a
// compression level and the sources. The conversion passes one source, alone or after
// "", SLPM86023 and the level, or after --max-compression; an installed program, whose
// sample container lies elsewhere, passes --base too.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/expected.h"

namespace quillon::popstation {

struct ToolRequest {
    std::optional<std::string> startScreenPath;  // a PNG file for the start screen
    std::optional<std::string> basePath;         // none: base.pbp in the working folder
    std::string title;
    std::optional<std::string> discId;  // disc 1's; none: the ID found in each disc
    // 0 stores every block as it is; 1 to 9, and kStrongestDeflateLevel for
    // --max-compression, deflate.
    int level = 0;
    // One disc image, cue sheet or playlist, or two to five discs.
    std::vector<std::string> sources;
};

inline constexpr const char* kToolUsage =
    "Usage: popstation [--start-screen PNGFILE] [--base PBPFILE] [--max-compression] SOURCE...\n"
    "       popstation [--start-screen PNGFILE] [--base PBPFILE] [--max-compression] TITLE DISCID LEVEL SOURCE...\n"
    "Writes EBOOT.PBP into the current folder, with DATA.PSP and the start screen of the\n"
    "sample container base.pbp there (or PBPFILE). A SOURCE is a disc image (taken as it is,\n"
    "one data track), a cue sheet (.cue: the disc its tracks describe), a CHD of a CD (.chd:\n"
    "its tracks as from the cue sheet it was made of) or a playlist (.m3u: one to five\n"
    "discs, one path a line). A playlist, or two to five SOURCE arguments, make\n"
    "one container of several discs; DISCID is then disc 1's. LEVEL is empty or 0 (blocks\n"
    "stored as they are) or 1 to 9 (blocks deflated at that level); it is empty with\n"
    "--max-compression. With four or more arguments, a third one of at most two characters\n"
    "is the LEVEL of the second form.";

// The compression level as typed: empty or one digit. Anything else is an error whose
// message names the text.
Expected<int> parseCompressionLevel(const std::string& text);

Expected<ToolRequest> parseToolArguments(const std::vector<std::string>& args);

}  // namespace quillon::popstation
