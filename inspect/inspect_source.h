// Source inspection: what the chosen source is, which game it holds, and the fields,
// files and warning picture that follow from it.
#pragma once

#include <string>

#include "common/expected.h"

#include "source/game_list.h"
#include "source/open_disc.h"
#include "state/fields.h"
#include "state/host.h"
#include "state/program_folder.h"
#include "state/work_folders.h"

namespace quillon {

enum class SourceKind { Missing, Image, Pbp };

// Missing when no file is at the path (a folder included), Pbp for the extension
// ".pbp" in any letter case, Image for anything else.
SourceKind classifySource(const std::string& path);

// Runs for every change of srcIso. Every run starts from the default output folder
// and artwork; then:
// - Missing: no save ID, unknown region, titles from the file name.
// - Image: the disc ID from the first 65,535 bytes, the artwork library, title, save
//   title and region from the game list (titles from the file name when the ID is not
//   found or has no entry), the start-screen picture of Files/base.pbp written to
//   warning.png in the program folder as warning picture (unless defWarning names
//   one), the per-game output sub-folder.
// - Pbp: disc ID and title from PARAM.SFO, the container's start-screen picture and
//   its five artwork and sound sections written into Pics and put into their fields,
//   the save title from the disc-image block, the region from the game list, the
//   per-game output sub-folder.
// File errors are shown through `host` as the application's default error handler
// shows them, and inspection stops there; what was done before stays, and the error
// comes back. Sections of a damaged container are skipped, with one message naming them.
// The files it takes out of a source go into `workplace`; the window's is the program
// folder's. `opened` keeps the discs of an image source that inspection opened (and
// forgets those of the source before); without it, they are closed when it ends.
Status inspectSource(FieldState& fields, Host& host, const GameList& gameList, const ProgramFolder& folder,
                     const WorkFolders& workplace, OpenedSource& opened);
inline Status inspectSource(FieldState& fields, Host& host, const GameList& gameList, const ProgramFolder& folder) {
    OpenedSource opened;
    return inspectSource(fields, host, gameList, folder, WorkFolders::ofProgram(folder), opened);
}

}  // namespace quillon
