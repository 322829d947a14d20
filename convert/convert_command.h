// The conversion command: a disc image or a container becomes EBOOT.PBP in the output
// folder, with the user's titles, disc ID, artwork, sound and warning picture.
#pragma once

#include "convert/tool_process.h"
#include "source/open_disc.h"
#include "state/busy_state.h"
#include "state/fields.h"
#include "state/program_folder.h"
#include "state/work_folders.h"

namespace quillon {

// How a stage of the command ends.
enum class StageOutcome {
    Proceed,            // on to the next stage
    EndWithSummary,     // the command ends: "Done.", or the patch summary when asked for
    EndWithoutSummary,  // the command ends: "Done." or "User aborted.", never the summary
};

// How hard the tool packs: at the level of the setting `Compression`, or at the
// strongest level, which only the project's own tool offers (the command line asks for
// it for one run; it is never a setting).
enum class ToolCompression { Setting, Strongest };

// The command from its output-folder step on (the abort click is the caller's): reads the
// fields, runs the stages, shows every message through the busy state's host and ends
// the busy state once, on every way out. `compression` is how the tool packs a disc
// image: the strongest compression is refused, before anything is written, when the
// tool is not the project's own. Aborted when the last status line says "User aborted.".
// The tool works in `workplace`; the window's is the program folder's. `opened` holds
// the source's discs when its inspection opened them, and takes them when the
// conversion opens them; without it, the conversion opens the source itself.
OperationEnd runConversion(FieldState& fields, BusyState& busy, ToolProcess& tool, const ProgramFolder& folder,
                           const WorkFolders& workplace, OpenedSource& opened,
                           ToolCompression compression = ToolCompression::Setting);
inline OperationEnd runConversion(FieldState& fields, BusyState& busy, ToolProcess& tool, const ProgramFolder& folder,
                                  ToolCompression compression = ToolCompression::Setting) {
    OpenedSource opened;
    return runConversion(fields, busy, tool, folder, WorkFolders::ofProgram(folder), opened, compression);
}

}  // namespace quillon
