#include "app/default_fields.h"

#include <array>
#include <string_view>
#include <utility>

#include "common/file_io.h"

namespace quillon {
namespace {

constexpr std::array<std::pair<Field, Field>, 6> kDefaultFields{{
    {Field::dstPbp, Field::defOutput},
    {Field::icon0, Field::defIcon0},
    {Field::pic1, Field::defPic1},
    {Field::unknown, Field::defUnknown},
    {Field::snd0, Field::defSnd0},
    {Field::icon1, Field::defIcon1},
}};

constexpr std::string_view kForbiddenInFolderName = "/\\:*?\"<>|";

}  // namespace

void applyDefaultFields(Workspace& fields) {
    for (const auto& [field, source] : kDefaultFields) fields.setText(field, fields.text(source));
    for (const auto& [field, source] : kDefaultFields) fields.caretToEnd(field);
}

std::string gameFolderName(std::string name) {
    for (char& c : name) {
        if (kForbiddenInFolderName.find(c) != std::string_view::npos) c = ' ';
    }
    while (!name.empty() && name.back() == '.') name.pop_back();
    return name;
}

void appendGameFolder(Workspace& fields) {
    std::string name;
    switch (fields.folderOption()) {
        case 0: return;
        case 1: name = fields.text(Field::saveID_l) + fields.text(Field::saveID); break;
        case 2: name = fields.text(Field::labelText); break;
        case 3: name = fields.text(Field::saveTitle); break;
        default: break;
    }
    name = gameFolderName(std::move(name));
    // A lone separator would name the chosen folder itself (or the root for an empty
    // one): with nothing to name the sub-folder after, the folder stays as chosen.
    if (name.empty()) return;
    fields.setText(Field::dstPbp, fields.text(Field::dstPbp) + kPathSeparator + name);
    fields.caretToEnd(Field::dstPbp);
}

}  // namespace quillon
