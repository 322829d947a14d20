// The stage that has the popstation tool turn a disc image into a container in the
// Files folder.
#pragma once

#include <string>
#include <vector>

#include "convert/convert_command.h"
#include "convert/tool_process.h"
#include "state/busy_state.h"

namespace quillon {

struct ToolJob {
    std::string tool;        // the tool's program file
    std::string workFolder;  // where it runs and writes EBOOT.PBP, with a trailing separator
    std::string compressionLevel;  // as typed: empty, or meant as 0 to 9
    std::string source;            // the disc image, as the user named it
    std::string baseContainer;     // the sample container, when not base.pbp in workFolder
};

// The tool's arguments: the source path alone when the compression level is empty;
// otherwise an empty title, the placeholder disc ID SLPM86023, the level and the path.
// A sample container elsewhere than in the tool's folder is named in front of them.
std::vector<std::string> popstationArguments(const std::string& compressionLevel,
                                             const std::string& sourcePath,
                                             const std::string& baseContainer = {});

// The container that the tool writes: workFolder + "EBOOT.PBP".
std::string toolContainerPath(const ToolJob& job);

// Proceed when the tool reported "Done."; EndWithSummary after a reported error;
// EndWithoutSummary after an abort (the tool's container removed).
StageOutcome runPopstation(const ToolJob& job, BusyState& busy, ToolProcess& tool);

}  // namespace quillon
