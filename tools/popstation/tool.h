// The popstation tool: a disc image becomes EBOOT.PBP, a container with PARAM.SFO,
// empty artwork, DATA.PSP, the disc-image block and the start-screen block.
#pragma once

#include <atomic>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "common/expected.h"
#include "source/image_index.h"
#include "tools/popstation/tool_arguments.h"

namespace quillon::popstation {

inline constexpr const char* kOutputName = "EBOOT.PBP";
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

using Say = std::function<void(const std::string& line)>;

// Writes `place.folder` + "EBOOT.PBP" (through a temporary file: on any failure or stop
// no EBOOT.PBP appears and an earlier one stays). Reports its steps through `say`;
// `stop` is polled between blocks and gives Error::cancelled().
Status makeEboot(const ToolRequest& request, const Workplace& place,
                 const std::atomic<bool>& stop, const Say& say);

// The whole program: parses `args`, makes the container and prints every message as a
// line on `out`, flushed; the last line is "Done." exactly when EBOOT.PBP was written.
// Exit status: 0 success, 1 failure, 2 wrong arguments, 130 stopped.
int runTool(const std::vector<std::string>& args, const Workplace& place,
            const std::atomic<bool>& stop, std::ostream& out);

}  // namespace quillon::popstation
