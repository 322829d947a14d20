// The stage that has the popstation tool turn a disc image into a container in the
// Files folder.
#pragma once

#include <string>
#include <vector>

#include "convert/convert_command.h"
#include "convert/tool_process.h"
#include "source/open_disc.h"
#include "state/busy_state.h"

namespace quillon {

// The title and disc ID that the tool's call carries in front of a compression level.
// Any popstation tool a user places in Files takes a level only after a title and a
// disc ID, so the call has to give some; these are never seen, because finishing writes
// the real game title and disc ID into the container afterwards.
inline constexpr const char* kPlaceholderTitle = "";
inline constexpr const char* kPlaceholderDiscId = "SLPM86023";

struct ToolJob {
    std::string tool;              // the tool's program file
    std::string workFolder;        // where it runs and writes EBOOT.PBP, with a trailing separator
    std::string compressionLevel;  // as typed: empty, or meant as 0 to 9
    std::string source;            // the disc image, as the user named it
    std::string baseContainer;     // the sample container, when not base.pbp in workFolder
    ToolCompression compression = ToolCompression::Setting;
};

// The tool's arguments: the source path alone when the compression level is empty;
// otherwise kPlaceholderTitle, kPlaceholderDiscId, the level and the path.
// At the strongest compression, the option kStrongestOption and the path alone. A
// sample container elsewhere than in the tool's folder is named in front of them.
std::vector<std::string> popstationArguments(const ToolJob& job);

// Whether the tool's program file is the project's own tool, which alone offers the
// strongest compression: it holds that option's help line. A file that cannot be read
// is not.
bool isOwnTool(const std::string& tool);

// The message that refuses the strongest compression with another tool than the
// project's own.
std::string strongestNeedsOwnTool(const std::string& tool);

// The container that the tool writes: workFolder + "EBOOT.PBP".
std::string toolContainerPath(const ToolJob& job);

// Proceed when the tool reported "Done."; EndWithSummary after a reported error;
// EndWithoutSummary after an abort (the tool's container removed), and when a disc of
// the source cannot be read (the tool is not started). The source's discs, as `opened`
// holds them, give the room the container needs and the bytes the tool has to pack.
StageOutcome runPopstation(const ToolJob& job, OpenedSource& opened, BusyState& busy, ToolProcess& tool);

}  // namespace quillon
