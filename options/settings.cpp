#include "options/settings.h"

#include <algorithm>
#include <string_view>

#include "common/file_io.h"
#include "options/ini_file.h"

namespace quillon {
namespace {

IniFile readIni(const std::string& path) {
    auto bytes = readWholeFile(path);
    if (!bytes) return IniFile();
    return IniFile::parse(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

}  // namespace

void loadOptions(FieldState& fields, const std::string& iniPath) {
    const IniFile ini = readIni(iniPath);
    for (const StringSetting& s : kStringSettings) {
        fields.setText(s.field, ini.value(kOptionsSection, s.key).value_or(std::string()));
    }
    for (const StringSetting& s : kStringSettings) fields.caretToEnd(s.field);
    const long long option = ini.integer(kOptionsSection, kFolderOptionKey).value_or(0);
    fields.setFolderOption(FolderOption::NoSubFolder);
    if (option >= 1 && option <= 3) fields.setFolderOption(kStoredFolderOptions[static_cast<std::size_t>(option)]);
}

Status saveOptions(const FieldState& fields, const std::string& iniPath) {
    IniFile ini = readIni(iniPath);
    for (const StringSetting& s : kStringSettings) {
        ini.setValue(kOptionsSection, s.key, fields.text(s.field));
    }
    if (const std::optional<FolderOption> option = fields.folderOption()) {
        const auto stored = std::find(kStoredFolderOptions.begin(), kStoredFolderOptions.end(), *option);
        ini.setValue(kOptionsSection, kFolderOptionKey, std::to_string(stored - kStoredFolderOptions.begin()));
    }
    return writeFileAtomically(iniPath, asBytes(ini.serialize()));
}

}  // namespace quillon
