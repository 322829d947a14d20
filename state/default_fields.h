// Choosing a source and an output folder, the defaults that every new source starts
// from, and the per-game output sub-folder.
#pragma once

#include <string>

#include "state/fields.h"

namespace quillon {

// Copies the default output folder and the default artwork and sound paths from the
// options fields into the main window's fields, then puts their carets at the end.
void applyDefaultFields(FieldState& fields);

// The sub-folder name for a game: each of / \ : * ? " < > | and each control character
// becomes a space, then trailing full stops are removed; on Windows the name is then
// made one that Windows can hold (windowsFolderName).
std::string gameFolderName(std::string name);

// A folder name as Windows can hold it: without trailing spaces and full stops, and with
// "_" after the stem of a device name (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9,
// in any letter case, also before an extension: "con.txt" becomes "con_.txt").
std::string windowsFolderName(std::string name);

// Appends the separator and the sub-folder that the checked folder option names to the
// output folder. No sub-folder (or no option checked), a name that comes out empty and an
// empty output folder leave it as it is.
void appendGameFolder(FieldState& fields);

// The source picker's choice: the path into the source field (a change inspects the
// new source), the caret to its end.
void chooseSource(FieldState& fields, const std::string& path);

// The output-folder browser's choice: the folder, the per-game sub-folder that the
// folder option asks for, the caret to the end.
void chooseOutputFolder(FieldState& fields, const std::string& folder);

}  // namespace quillon
