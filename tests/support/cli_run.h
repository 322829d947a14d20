// Runs the built quillon-cli (its path in QUILLON_CLI, set by the test's build) with
// a temporary program folder, and gives its stdout, stderr and exit status.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_folder.h"

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

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
    command += " </dev/null";
    command += " 2>" + quoted(errFile);
    CliRun run;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.err = readFile(errFile);
    return run;
}

// quillon-cli --program-folder DIR ARGS... started in the background, stdin empty and
// its output into files of the folder; gives its process id.
inline pid_t startCli(const TempFolder& dir, const std::vector<std::string>& args) {
    std::vector<std::string> words{QUILLON_CLI, "--program-folder", dir.folder()};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const std::string out = dir.file("stdout.txt");
    const std::string err = dir.file("stderr.txt");
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen("/dev/null", "r", stdin);
        std::freopen(out.c_str(), "w", stdout);
        std::freopen(err.c_str(), "w", stderr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

// The exit status of a process started with startCli; 128 + the signal for one that a
// signal ended.
inline int waitForExit(pid_t pid) {
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

// The processes running the program file `program` (by its real path).
inline std::vector<pid_t> processesRunning(const std::string& program) {
    std::vector<pid_t> found;
    std::error_code ec;
    const auto wanted = std::filesystem::canonical(program, ec);
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code linkError;
        const auto exe = std::filesystem::read_symlink(entry.path() / "exe", linkError);
        if (!linkError && exe == wanted) found.push_back(static_cast<pid_t>(std::stoi(name)));
    }
    return found;
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
