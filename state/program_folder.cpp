#include "state/program_folder.h"

#include "common/file_io.h"
#include "state/busy_state.h"

namespace quillon {

ProgramFolder::ProgramFolder(std::string root) : root_(std::move(root)) {
    if (!root_.empty() && root_.back() != kPathSeparator) root_ += kPathSeparator;
}

std::string ProgramFolder::filesFolder() const { return root_ + "Files" + kPathSeparator; }

std::string ProgramFolder::picsFolder() const { return root_ + "Pics" + kPathSeparator; }

std::string ProgramFolder::popstationTool() const { return inFiles(kPopstationFileName); }

}  // namespace quillon
