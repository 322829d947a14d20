// The conversion command: a disc image or a container becomes EBOOT.PBP in the output
// folder, with the user's titles, disc ID, artwork, sound and warning picture.
#pragma once

#include <string>

#include "app/busy_state.h"
#include "app/workspace.h"
#include "convert/tool_process.h"

namespace quillon {

struct ConversionJob {
    std::string filesFolder;  // program folder + "Files" + separator
    bool sourceIsPbp = false;
    std::string sourcePbp;  // the container that finishing reads
    int patchCount = -1;    // PAL patches made, counted from -1
};

enum class StageOutcome { Proceed, ToEnd, Stopped };

// The command from its output-folder step on (the abort click is the caller's): runs
// the stages, shows every message through the busy state's host and ends through
// endBusy on every way out.
void runConversion(Workspace& fields, BusyState& busy, ToolProcess& tool,
                   const std::string& programFolder);

}  // namespace quillon
