#include "state/work_folders.h"

#include "common/file_io.h"

namespace quillon {

WorkFolders WorkFolders::ofProgram(const ProgramFolder& folder) {
    return {folder.filesFolder(), folder.picsFolder(), folder.root(), true};
}

WorkFolders WorkFolders::privateIn(const std::string& folder) {
    std::string place = folder;
    if (place.empty() || place.back() != kPathSeparator) place += kPathSeparator;
    return {place, place, place, false};
}

}  // namespace quillon
