#include "state/default_fields.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "common/file_io.h"
#include "state/artwork_kinds.h"

namespace quillon {
namespace {

// The fields that start from a default, in the order in which they get it.
constexpr std::array<Field, 6> kFieldsWithDefaults{Field::outputFolder, Field::icon0, Field::pic1,
                                                   Field::pic0,         Field::snd0,  Field::icon1};

Field defaultOf(Field field) {
    const ArtworkKind* kind = artworkKindOf(field);
    return kind ? kind->defaultField : Field::defaultOutputFolder;
}

constexpr std::string_view kForbiddenInFolderName = "/\\:*?\"<>|";

// Characters a folder name cannot hold: the nine above, and control characters (a NUL
// would cut the path short).
bool forbiddenInFolderName(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F || kForbiddenInFolderName.find(c) != std::string_view::npos;
}

bool isWindowsDeviceName(std::string_view stem) {
    std::string upper(stem);
    for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") return true;
    return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' &&
           upper[3] <= '9';
}

}  // namespace

void applyDefaultFields(FieldState& fields) {
    for (const Field field : kFieldsWithDefaults) fields.setText(field, fields.text(defaultOf(field)));
    for (const Field field : kFieldsWithDefaults) fields.caretToEnd(field);
}

std::string gameFolderName(std::string name) {
    for (char& c : name) {
        if (forbiddenInFolderName(c)) c = ' ';
    }
    while (!name.empty() && name.back() == '.') name.pop_back();
#ifdef _WIN32
    name = windowsFolderName(std::move(name));
#endif
    return name;
}

std::string windowsFolderName(std::string name) {
    while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.pop_back();
    // Windows reads "CON .txt" as CON too: the stem ends before the blanks.
    std::size_t stemEnd = std::min(name.find('.'), name.size());
    while (stemEnd > 0 && name[stemEnd - 1] == ' ') --stemEnd;
    if (isWindowsDeviceName(std::string_view(name).substr(0, stemEnd))) name.insert(stemEnd, "_");
    return name;
}

void appendGameFolder(FieldState& fields) {
    const std::optional<FolderOption> option = fields.folderOption();
    if (option == FolderOption::NoSubFolder) return;
    std::string name;
    if (option == FolderOption::DiscId) name = fields.text(Field::discIdPrefix) + fields.text(Field::discIdNumber);
    if (option == FolderOption::Title) name = fields.text(Field::title);
    if (option == FolderOption::SaveTitle) name = fields.text(Field::saveTitle);
    name = gameFolderName(std::move(name));
    // A lone separator would name the chosen folder itself: with nothing to name the
    // sub-folder after, the folder stays as chosen. An empty folder stays empty, for the
    // conversion to refuse, rather than become a folder at the root of the file system.
    if (name.empty() || fields.text(Field::outputFolder).empty()) return;
    fields.setText(Field::outputFolder, fields.text(Field::outputFolder) + kPathSeparator + name);
    fields.caretToEnd(Field::outputFolder);
}

void chooseSource(FieldState& fields, const std::string& path) { fields.setPath(Field::sourcePath, path); }

void chooseOutputFolder(FieldState& fields, const std::string& folder) {
    fields.setText(Field::outputFolder, folder);
    appendGameFolder(fields);
    fields.caretToEnd(Field::outputFolder);
}

}  // namespace quillon
