// Runs the built quillon-cli (its path in QUILLON_CLI, set by the test's build) with
// a temporary program folder, and gives its stdout, stderr and exit status.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_folder.h"

#ifdef _WIN32
#define popen _popen
#define pclose _pclose
#else
#include <sys/wait.h>
#endif

namespace quillon::testing {

struct CliRun {
    std::string out;
    std::string err;
    int status = -1;
};

inline std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// quillon-cli --program-folder DIR ARGS...; stdin is empty, so no question waits.
inline CliRun runCli(const TempFolder& dir, const std::vector<std::string>& args) {
    const std::string errFile = dir.file("stderr.txt");
    std::string command = quoted(QUILLON_CLI) + " --program-folder " + quoted(dir.folder());
    for (const std::string& arg : args) command += " " + quoted(arg);
#ifdef _WIN32
    command += " <NUL";
#else
    command += " </dev/null";
#endif
    command += " 2>" + quoted(errFile);
    CliRun run;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
    const int raw = pclose(pipe);
#ifdef _WIN32
    run.status = raw;
#else
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
    run.err = readFile(errFile);
    return run;
}

#ifdef QUILLON_POPSTATION_TOOL
// Puts the built popstation tool into the program folder's Files folder.
inline void installPopstation(const TempFolder& dir, const char* toolName) {
    const auto tool = dir.path() / "Files" / toolName;
    std::filesystem::create_directories(tool.parent_path());
    std::filesystem::copy_file(QUILLON_POPSTATION_TOOL, tool);
}
#endif

}  // namespace quillon::testing
