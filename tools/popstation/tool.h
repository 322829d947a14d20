// The popstation tool: one disc (an image file or a cue sheet) or two to five discs (a
// playlist or several sources) become EBOOT.PBP, a container with PARAM.SFO, empty
// artwork, DATA.PSP, the disc-image block of each disc and the start-screen block.
#pragma once

#include <atomic>
#include <ostream>
#include <string>
#include <vector>

#include "common/expected.h"
#include "common/progress.h"
#include "source/image_index.h"
#include "tools/popstation/tool_arguments.h"

namespace quillon::popstation {

// DISC_ID and ID text of an image in which no disc ID is found.
inline constexpr const char* kUnknownDiscId = "UNKN00000";
inline constexpr std::uint32_t kContainerVersion = 0x00010000;
inline constexpr std::uint32_t kParamSfoOffset = 0x28;

struct Workplace {
    // Where base.pbp is read and EBOOT.PBP written: empty for the current folder, else a
    // folder ending in the separator.
    std::string folder;
    std::size_t maxBlocks = kMaxIndexEntries;  // the room of the block index
    unsigned threads = 0;                      // 0: one per processor core
};

// Writes `place.folder` + "EBOOT.PBP" (through a temporary file: on any failure or stop
// no EBOOT.PBP appears and an earlier one stays). Each message comes as a report with
// its line as status; while blocks are written, reports carry the image bytes packed of
// all discs' and, whenever the whole percentage rises, the line "Writing EBOOT.PBP...
// N%". A report answered with false stops it between blocks with Error::cancelled().
Status makeEboot(const ToolRequest& request, const Workplace& place, const Progress& progress);

// The whole program: parses `args`, makes the container and prints every message as a
// line on `out`, flushed; the last line is "Done." exactly when EBOOT.PBP was written.
// Exit status: 0 success, 1 failure, 2 wrong arguments, 130 stopped.
int runTool(const std::vector<std::string>& args, const Workplace& place, const std::atomic<bool>& stop,
            std::ostream& out);

}  // namespace quillon::popstation
