// The defaults that every new source starts from, and the per-game output sub-folder.
#pragma once

#include <string>

#include "app/workspace.h"

namespace quillon {

// Copies the default output folder and the default artwork and sound paths from the
// options fields into the main window's fields, then puts their carets at the end.
void applyDefaultFields(Workspace& fields);

// The sub-folder name for a game: each of / \ : * ? " < > | becomes a space, then
// trailing full stops are removed.
std::string gameFolderName(std::string name);

// Appends the separator and the sub-folder that the checked folder option names to
// dstPbp. Option 0 (and a name that comes out empty) leaves dstPbp as it is.
void appendGameFolder(Workspace& fields);

}  // namespace quillon
