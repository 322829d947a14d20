// quillon-cli convert over several games: each game inspected as the window inspects
// it, converted into a folder of its own below the output folder, several at once, each
// job in a work folder of its own; games whose container is up to date are skipped.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/cli_program.h"
#include "convert/convert_command.h"

namespace quillon {

struct BatchConversion {
    std::vector<std::string> sources;  // files and folders, as named
    std::string output;                // the folder that receives a folder per game
    std::optional<unsigned> jobs;      // conversions at once; the default suits the level
    bool redo = false;                 // convert games whose container is up to date too
    bool dryRun = false;               // only say what would be done
    bool palFix = false;
    std::optional<std::string> compressionLevel;  // in place of the setting
    ToolCompression compression = ToolCompression::Setting;
};

// How many conversions run at once by default at the compression level `level` (as
// typed: empty for the tool's own default) or at the strongest compression: the tool
// deflates on every core by itself, so beside it half the cores keep the machine busy
// while one job reads or writes; stored blocks (level 0) are work for the disks alone,
// and one job per core keeps them busy.
unsigned defaultJobs(const std::string& level, ToolCompression compression, unsigned cores);

// A container older than its newest source by more than this is out of date: some file
// systems keep times in steps of two seconds.
inline constexpr std::int64_t kTimeSlackSeconds = 2;

// Whether a container changed at `containerTime` is up to date for sources changed last
// at `newestSource` (both in seconds).
bool upToDate(std::int64_t containerTime, std::int64_t newestSource);

int runBatchConversion(CliProgram& program, const BatchConversion& batch);

}  // namespace quillon
