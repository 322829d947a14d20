// quillon-cli extract over several containers: each container's discs written into one
// output folder under names made from the container's title, several at once;
// containers whose images are up to date are skipped.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/cli_program.h"

namespace quillon {

struct BatchExtraction {
    std::vector<std::string> containers;  // files and folders, as named
    std::string output;                   // the folder that receives the images
    std::optional<unsigned> jobs;         // extractions at once; 1 by default
    bool redo = false;                    // extract containers whose images are up to date too
    bool dryRun = false;                  // only say what would be done
};

// The name (without ".iso") that a container's images are written under: its title made
// safe as a file name, else its file name without extension.
std::string imageBaseName(const std::string& title, const std::string& container);

int runBatchExtraction(CliProgram& program, const BatchExtraction& batch);

}  // namespace quillon
