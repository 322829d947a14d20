// What the tool-stage tests share: a run of the stage around a temporary program folder,
// inside an operation that has begun, as the conversion runs it.
#pragma once

#include <filesystem>
#include <string>

#include "convert/popstation_driver.h"
#include "state/busy_state.h"
#include "support/recording.h"
#include "support/temp_folder.h"

namespace quillon::testing {

// The stage's inputs, a source of 1,000 bytes, and the tool `kPopstationFileName` in the
// Files folder when a test installs it, as a shell script.
struct PopstationStage {
    PopstationStage() {
        job.workFolder = program.folder() + "Files" + kPathSeparator;
        job.tool = job.workFolder + kPopstationFileName;
        std::filesystem::create_directories(job.workFolder);
        job.source = program.write("My Game.bin", std::string(1000, 'x'));
        busy.begin(Operation::Convert);
    }
    void installTool(const std::string& script) {
        const std::string path = program.write(std::string("Files/") + kPopstationFileName, "#!/bin/sh\n" + script);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
    }
    StageOutcome run(ToolProcess& tool) {
        OpenedSource opened;
        return runPopstation(job, opened, busy, tool);
    }
    std::string filesPath(const std::string& name) const { return job.workFolder + name; }

    TempFolder program;
    ToolJob job;
    RecordingHost host;
    BusyState busy{host};
};

}  // namespace quillon::testing
