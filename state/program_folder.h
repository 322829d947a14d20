// Where the program finds and keeps its own files, in one of two layouts.
//
// Portable: everything lies in the program folder (the executable's folder, or the one
// given to quillon-cli): Files/ with the tool, the settings, the game list, the sample
// container and the preview's pictures; Pics/ with the artwork library.
//
// Installed: the programs lie in a folder the user cannot write, the tool and the
// shipped program files beside them (../libexec/quillon, ../share/quillon). What the user
// writes or places goes into folders of their own, by the XDG base-directory rules: the
// settings into $XDG_CONFIG_HOME/quillon/ (~/.config/quillon), everything else into
// $XDG_DATA_HOME/quillon/ (~/.local/share/quillon), which takes the program folder's
// part: its Files/ is the tool's workplace and holds the user's own game list, sample
// container and KEYS.BIN, which win over the shipped ones; its Pics/ is the library.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/expected.h"

namespace quillon {

// The user's home folder: HOME when it names a folder absolutely, else the one that the
// user database gives this user; nullopt when neither does.
std::optional<std::string> userHomeFolder();

class ProgramFolder {
public:
    // The portable layout over `root`, with or without its trailing separator.
    explicit ProgramFolder(std::string root);
    // The installed layout: the shipped program files in `sharedData`, the tool at
    // `tool`, the user's files in `userData` and the settings in `userConfig`.
    static ProgramFolder installed(std::string sharedData, std::string tool, std::string userData,
                                   std::string userConfig);
    // The layout of a program whose executable lies in `executableFolder`: portable when
    // that folder holds a Files folder the user can write, installed otherwise, the
    // user's folders then below `home` unless the XDG variables name them. An error,
    // saying so, when the user's folders cannot be told.
    static Expected<ProgramFolder> forExecutable(const std::string& executableFolder,
                                                 const std::optional<std::string>& home);

    bool portable() const { return sharedData_.empty(); }
    // The program folder, or the user's data folder: it holds Files and Pics, and the
    // warning picture that inspection takes from the sample container. With a trailing
    // separator.
    const std::string& root() const { return root_; }
    // root + "Files" + separator: the tool's workplace and the program's own files.
    std::string filesFolder() const;
    std::string inFiles(std::string_view name) const { return filesFolder() + std::string(name); }
    // root + "Pics" + separator: the artwork library and the pictures taken out of a
    // container.
    std::string picsFolder() const;
    std::string inPics(std::string_view name) const { return picsFolder() + std::string(name); }

    // A program file as it is read: the one in the Files folder; in the installed layout
    // the shipped one while the user has none of their own.
    std::string programFile(std::string_view name) const;
    std::string gameListFile() const { return programFile("gameInfo.txt"); }
    std::string baseContainer() const { return programFile("base.pbp"); }
    std::string keysFile() const { return inFiles("KEYS.BIN"); }
    // The folder of the settings file: Files, or the user's settings folder.
    std::string settingsFolder() const;
    std::string optionsFile() const;
    std::string popstationTool() const;

    // Makes `folder`, one of the user's folders in the installed layout, on first use
    // (the portable layout's folders are there already). A folder that cannot be made
    // leaves the write into it to report why.
    void makeUserFolder(const std::string& folder) const;

private:
    std::string root_;
    std::string sharedData_;  // empty in the portable layout
    std::string tool_;
    std::string userConfig_;
};

}  // namespace quillon
