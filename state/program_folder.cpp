#include "state/program_folder.h"

#include <cstdlib>
#include <filesystem>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "common/file_io.h"
#include "state/busy_state.h"

namespace quillon {
namespace {

#ifndef QUILLON_INSTALLED_DATA_DIR_FROM_BIN
#define QUILLON_INSTALLED_DATA_DIR_FROM_BIN "../share/quillon"
#endif
#ifndef QUILLON_INSTALLED_TOOL_FROM_BIN
#define QUILLON_INSTALLED_TOOL_FROM_BIN "../libexec/quillon/popstation"
#endif

constexpr const char* kOptionsName = "options.ini";

std::string withSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != kPathSeparator) folder += kPathSeparator;
    return folder;
}

// A base directory of the XDG rules: the variable when it holds an absolute path, else
// the fallback below the home folder.
std::string baseDirectory(const char* variable, const char* belowHome) {
    const char* set = std::getenv(variable);
    if (set && std::filesystem::path(set).is_absolute()) return set;
#ifdef _WIN32
    const char* home = std::getenv("LOCALAPPDATA");
    (void)belowHome;
    return home ? home : ".";
#else
    const char* home = std::getenv("HOME");
    return fromFsPath((toFsPath(home ? home : ".") / belowHome).lexically_normal());
#endif
}

bool writableFolder(const std::string& folder) {
    if (!isFolder(folder)) return false;
#ifdef _WIN32
    return true;
#else
    return ::access(folder.c_str(), W_OK) == 0;
#endif
}

std::string besideExecutable(const std::string& executableFolder, const char* relative) {
    return fromFsPath((toFsPath(executableFolder) / toFsPath(relative)).lexically_normal());
}

}  // namespace

ProgramFolder::ProgramFolder(std::string root) : root_(withSeparator(std::move(root))) {}

ProgramFolder ProgramFolder::installed(std::string sharedData, std::string tool, std::string userData,
                                       std::string userConfig) {
    ProgramFolder folder(std::move(userData));
    folder.sharedData_ = withSeparator(std::move(sharedData));
    folder.tool_ = std::move(tool);
    folder.userConfig_ = withSeparator(std::move(userConfig));
    return folder;
}

ProgramFolder ProgramFolder::forExecutable(const std::string& executableFolder) {
    if (writableFolder(withSeparator(executableFolder) + "Files")) return ProgramFolder(executableFolder);
    const std::string quillon = std::string(1, kPathSeparator) + "quillon";
    return installed(besideExecutable(executableFolder, QUILLON_INSTALLED_DATA_DIR_FROM_BIN),
                     besideExecutable(executableFolder, QUILLON_INSTALLED_TOOL_FROM_BIN),
                     baseDirectory("XDG_DATA_HOME", ".local/share") + quillon,
                     baseDirectory("XDG_CONFIG_HOME", ".config") + quillon);
}

std::string ProgramFolder::filesFolder() const { return root_ + "Files" + kPathSeparator; }

std::string ProgramFolder::picsFolder() const { return root_ + "Pics" + kPathSeparator; }

std::string ProgramFolder::programFile(std::string_view name) const {
    const std::string own = inFiles(name);
    if (portable() || isFile(own)) return own;
    return sharedData_ + std::string(name);
}

std::string ProgramFolder::settingsFolder() const { return portable() ? filesFolder() : userConfig_; }

std::string ProgramFolder::optionsFile() const { return settingsFolder() + kOptionsName; }

std::string ProgramFolder::popstationTool() const {
    return portable() ? inFiles(kPopstationFileName) : tool_;
}

void ProgramFolder::makeUserFolder(const std::string& folder) const {
    if (portable()) return;
    std::error_code ec;
    std::filesystem::create_directories(toFsPath(folder), ec);
}

}  // namespace quillon
