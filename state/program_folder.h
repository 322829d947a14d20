// Where the program finds its own files. Everything is addressed from the program
// folder: the executable's folder, or the one given to quillon-cli.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

class ProgramFolder {
public:
    // `root` with or without its trailing separator.
    explicit ProgramFolder(std::string root);

    // The program folder itself, with a trailing separator.
    const std::string& root() const { return root_; }
    // root + "Files" + separator: the tool's workplace and the program's own data.
    std::string filesFolder() const;
    std::string inFiles(std::string_view name) const { return filesFolder() + std::string(name); }
    // root + "Pics" + separator: the artwork library and the pictures taken out of a
    // container.
    std::string picsFolder() const;
    std::string inPics(std::string_view name) const { return picsFolder() + std::string(name); }

    std::string optionsFile() const { return inFiles("options.ini"); }
    std::string gameListFile() const { return inFiles("gameInfo.txt"); }
    std::string baseContainer() const { return inFiles("base.pbp"); }
    std::string keysFile() const { return inFiles("KEYS.BIN"); }
    std::string popstationTool() const;

private:
    std::string root_;
};

}  // namespace quillon
