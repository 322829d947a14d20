// Where a conversion's tool runs and leaves its container, and where inspection writes
// what it takes out of a source. The window works in the program folder's own places,
// one conversion at a time; a batch gives each of its jobs a folder of its own, so that
// jobs running at once never share a file.
#pragma once

#include <string>

#include "state/program_folder.h"

namespace quillon {

struct WorkFolders {
    // Each with a trailing separator.
    std::string toolFolder;            // the tool runs here and writes EBOOT.PBP and its output
    std::string takenOutFolder;        // the artwork, sound and start-screen picture of a container
    std::string defaultWarningFolder;  // warning.png, the sample container's start-screen picture
    // The program folder's places: a conversion there takes the lock of the Files folder
    // and cleans up after a killed one.
    bool shared = true;

    // Files/, Pics/ and the program folder itself.
    static WorkFolders ofProgram(const ProgramFolder& folder);
    // All three in `folder`, which belongs to one job alone.
    static WorkFolders privateIn(const std::string& folder);
};

}  // namespace quillon
