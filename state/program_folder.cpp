#include "state/program_folder.h"

#include <cstdlib>
#include <filesystem>

#ifndef _WIN32
#include <pwd.h>
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

bool isAbsolutePath(const char* path) { return path && std::filesystem::path(path).is_absolute(); }

// A base directory of the XDG rules, with "quillon" appended: the variable when it holds
// an absolute path, else the fallback below the home folder; nullopt without either.
std::optional<std::string> userFolder(const char* variable, const char* belowHome,
                                      const std::optional<std::string>& home) {
    const char* set = std::getenv(variable);
    std::filesystem::path base;
    if (isAbsolutePath(set)) {
        base = toFsPath(set);
    } else if (home) {
#ifdef _WIN32
        (void)belowHome;
        base = toFsPath(*home);
#else
        base = toFsPath(*home) / belowHome;
#endif
    } else {
        return std::nullopt;
    }
    return fromFsPath((base / "quillon").lexically_normal());
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

std::optional<std::string> userHomeFolder() {
#ifdef _WIN32
    // In UTF-16: the ANSI code page cannot hold every user's name.
    const wchar_t* home = _wgetenv(L"LOCALAPPDATA");
    if (home && std::filesystem::path(home).is_absolute()) return fromFsPath(home);
#else
    const char* home = std::getenv("HOME");
    if (isAbsolutePath(home)) return home;
    if (const passwd* user = ::getpwuid(::getuid()); user && isAbsolutePath(user->pw_dir)) return user->pw_dir;
#endif
    return std::nullopt;
}

ProgramFolder::ProgramFolder(std::string root) : root_(withSeparator(std::move(root))) {}

ProgramFolder ProgramFolder::installed(std::string sharedData, std::string tool, std::string userData,
                                       std::string userConfig) {
    ProgramFolder folder(std::move(userData));
    folder.sharedData_ = withSeparator(std::move(sharedData));
    folder.tool_ = std::move(tool);
    folder.userConfig_ = withSeparator(std::move(userConfig));
    return folder;
}

Expected<ProgramFolder> ProgramFolder::forExecutable(const std::string& executableFolder,
                                                     const std::optional<std::string>& home) {
    if (writableFolder(withSeparator(executableFolder) + "Files")) return ProgramFolder(executableFolder);
    const auto data = userFolder("XDG_DATA_HOME", ".local/share", home);
    const auto config = userFolder("XDG_CONFIG_HOME", ".config", home);
    if (!data || !config) {
        return Error::write(
            "There is no folder for your own files and settings: HOME is not set, and the "
            "user database gives no home folder. Set HOME to your home folder.");
    }
    return installed(besideExecutable(executableFolder, QUILLON_INSTALLED_DATA_DIR_FROM_BIN),
                     besideExecutable(executableFolder, QUILLON_INSTALLED_TOOL_FROM_BIN), *data, *config);
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

std::string ProgramFolder::popstationTool() const { return portable() ? inFiles(kPopstationFileName) : tool_; }

void ProgramFolder::makeUserFolder(const std::string& folder) const {
    if (portable()) return;
    std::error_code ec;
    std::filesystem::create_directories(toFsPath(folder), ec);
}

}  // namespace quillon
