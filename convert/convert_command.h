// The conversion command: a disc image or a container becomes EBOOT.PBP in the output
// folder, with the user's titles, disc ID, artwork, sound and warning picture.
#pragma once

#include "convert/tool_process.h"
#include "state/busy_state.h"
#include "state/fields.h"
#include "state/program_folder.h"

namespace quillon {

// How a stage of the command ends.
enum class StageOutcome {
    Proceed,            // on to the next stage
    EndWithSummary,     // the command ends: "Done.", or the patch summary when asked for
    EndWithoutSummary,  // the command ends: "Done." or "User aborted.", never the summary
};

// The command from its output-folder step on (the abort click is the caller's): reads the
// fields, runs the stages, shows every message through the busy state's host and ends
// the busy state once, on every way out.
void runConversion(FieldState& fields, BusyState& busy, ToolProcess& tool,
                   const ProgramFolder& folder);

}  // namespace quillon
