// The artwork library: the folder Pics beside the program with one sub-folder per
// kind of artwork or sound (icon0, icon1, pic0, pic1, snd0), each holding one file per
// game named after its disc ID (Pics/icon0/SLUS01234.png).
#pragma once

#include <string>

#include "state/fields.h"
#include "state/program_folder.h"

namespace quillon {

// Puts the path of each library file found for `discId` into its field (ICON0, ICON1,
// PIC0, PIC1, SND0 in this order; a folder of that name does not count; a kind
// without a file keeps its field), then puts the caret of all five fields at the end.
// Folder and file names are matched without regard to letter case, as on the
// program's home system; the library is only read.
void lookUpArtwork(FieldState& fields, const ProgramFolder& folder, const std::string& discId);

}  // namespace quillon
