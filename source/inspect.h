// Source inspection: what the chosen source is, which game it holds, and the fields,
// files and warning picture that follow from it.
#pragma once

#include <string>

#include "app/host.h"
#include "app/workspace.h"
#include "source/game_list.h"

namespace quillon {

enum class SourceKind { Missing, Image, Pbp };

// Missing when no file is at the path (a folder included), Pbp for the extension
// ".pbp" in any letter case, Image for anything else.
SourceKind classifySource(const std::string& path);

// Runs for every change of srcIso. File errors are shown through `host` as the
// application's default error handler shows them; what was done before stays.
void inspectSource(Workspace& fields, Host& host, const GameList& gameList,
                   const std::string& programFolder);

}  // namespace quillon
