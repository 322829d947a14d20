// The stage that has the popstation tool turn a disc image into a container in the
// Files folder.
#pragma once

#include <string>
#include <vector>

#include "app/busy_state.h"
#include "app/workspace.h"
#include "convert/convert_command.h"
#include "convert/tool_process.h"

namespace quillon {

// The tool's arguments: the source path alone when the compression level is empty;
// otherwise an empty title, the placeholder disc ID SLPM86023, the level and the path.
std::vector<std::string> popstationArguments(const std::string& compressionLevel,
                                             const std::string& sourcePath);

// Proceed when the tool reported "Done." (the container is filesFolder + "EBOOT.PBP"),
// ToEnd after a reported error, Stopped after an abort (endBusy already called).
StageOutcome runPopstation(ConversionJob& job, Workspace& fields, BusyState& busy,
                           ToolProcess& tool);

}  // namespace quillon
