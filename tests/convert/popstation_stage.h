// What the tool-stage tests share: a run of the stage around a temporary program folder,
// inside an operation that has begun, as the conversion runs it.
#pragma once

#include <filesystem>
#include <string>

#include "app/busy_state.h"
#include "app/field_store.h"
#include "convert/popstation_driver.h"
#include "support/recording.h"
#include "support/temp_folder.h"

namespace quillon::testing {

// The stage's inputs with the tool `kPopstationFileName` in the Files folder when a test
// installs it, as a shell script.
struct PopstationStage {
    PopstationStage() {
        job.filesFolder = program.folder() + "Files" + kPathSeparator;
        std::filesystem::create_directories(job.filesFolder);
        busy.beginBusy(Operation::Convert);
    }
    void installTool(const std::string& script) {
        const std::string path = program.write(std::string("Files/") + kPopstationFileName,
                                               "#!/bin/sh\n" + script);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add);
    }
    StageOutcome run(ToolProcess& tool) { return runPopstation(job, fields, busy, tool); }
    std::string filesPath(const std::string& name) const { return job.filesFolder + name; }

    TempFolder program;
    ConversionJob job;
    FieldStore fields;
    RecordingHost host;
    BusyState busy{host};
};

}  // namespace quillon::testing
