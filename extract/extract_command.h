// ISO extraction: the disc image that a container holds, written out to a file.
#pragma once

#include "app/busy_state.h"
#include "app/workspace.h"

namespace quillon {

// The operation from its start on (the abort click is the caller's): checks, the save
// dialog through the host, the copy with progress and abort, endBusy on every way out.
void runIsoExtraction(Workspace& fields, BusyState& busy);

}  // namespace quillon
