// The settings file Files/options.ini and its keys, loaded into and saved from the
// options fields.
#pragma once

#include <array>
#include <string>

#include "common/expected.h"
#include "state/fields.h"

namespace quillon {

inline constexpr const char* kOptionsSection = "Options";
inline constexpr const char* kFolderOptionKey = "folderOption";
// The folder options in the order of the numbers that the file stores for them, 0 to 3.
inline constexpr std::array<FolderOption, 4> kStoredFolderOptions{FolderOption::NoSubFolder, FolderOption::DiscId,
                                                                  FolderOption::Title, FolderOption::SaveTitle};

struct StringSetting {
    const char* key;
    Field field;
};

// The ten string settings in the order in which they are loaded and saved.
inline constexpr std::array<StringSetting, 10> kStringSettings{{
    {"defWarning", Field::defaultWarning},
    {"defIcon0", Field::defaultIcon0},
    {"defPic1", Field::defaultPic1},
    {"defUnknown", Field::defaultPic0},
    {"defSnd0", Field::defaultSnd0},
    {"defIcon1", Field::defaultIcon1},
    {"defIsoFolder", Field::sourceFolder},
    {"defOutputFolder", Field::defaultOutputFolder},
    {"defImageFolder", Field::imageFolder},
    {"Compression", Field::compressionLevel},
}};

// LoadOptions: the file's values (empty, and option 0, where it has none) into the
// options fields; a missing or unreadable file reads as empty.
void loadOptions(FieldState& fields, const std::string& iniPath);
// SaveOptions: the options fields into the file, keeping what else it holds.
Status saveOptions(const FieldState& fields, const std::string& iniPath);

}  // namespace quillon
