#include "state/default_fields.h"

#include <array>
#include <string_view>

#include "common/file_io.h"
#include "state/artwork_kinds.h"

namespace quillon {
namespace {

// The fields that start from a default, in the order in which they get it.
constexpr std::array<Field, 6> kFieldsWithDefaults{Field::dstPbp,  Field::icon0, Field::pic1,
                                                   Field::unknown, Field::snd0,  Field::icon1};

Field defaultOf(Field field) {
    const ArtworkKind* kind = artworkKindOf(field);
    return kind ? kind->defaultField : Field::defOutput;
}

constexpr std::string_view kForbiddenInFolderName = "/\\:*?\"<>|";

// Characters a folder name cannot hold: the nine above, and control characters (a NUL
// would cut the path short).
bool forbiddenInFolderName(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F || kForbiddenInFolderName.find(c) != std::string_view::npos;
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
    return name;
}

void appendGameFolder(FieldState& fields) {
    std::string name;
    switch (fields.folderOption()) {
        case 0: return;
        case 1: name = fields.text(Field::saveID_l) + fields.text(Field::saveID); break;
        case 2: name = fields.text(Field::labelText); break;
        case 3: name = fields.text(Field::saveTitle); break;
        default: break;
    }
    name = gameFolderName(std::move(name));
    // A lone separator would name the chosen folder itself: with nothing to name the
    // sub-folder after, the folder stays as chosen. An empty folder stays empty, for the
    // conversion to refuse, rather than become a folder at the root of the file system.
    if (name.empty() || fields.text(Field::dstPbp).empty()) return;
    fields.setText(Field::dstPbp, fields.text(Field::dstPbp) + kPathSeparator + name);
    fields.caretToEnd(Field::dstPbp);
}

void chooseSource(FieldState& fields, const std::string& path) { fields.setPath(Field::srcIso, path); }

void chooseOutputFolder(FieldState& fields, const std::string& folder) {
    fields.setText(Field::dstPbp, folder);
    appendGameFolder(fields);
    fields.caretToEnd(Field::dstPbp);
}

}  // namespace quillon
