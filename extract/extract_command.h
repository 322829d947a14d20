// ISO extraction: the disc image that a container holds, written out to a file.
#pragma once

#include <cstdint>
#include <string>

#include "app/busy_state.h"
#include "app/workspace.h"

namespace quillon {

// The operation from its start on (the abort click is the caller's): checks, the save
// dialog through the host, the copy with progress and abort, endBusy on every way out.
void runIsoExtraction(Workspace& fields, BusyState& busy);

// The percentage of the progress text: the position reached as a whole percentage of
// the container's size, divided first in floating point and then taken downwards.
int savingPercent(std::uint64_t position, std::uint64_t containerSize);

// The name the image is written under: the chosen name, with ".iso" appended unless
// the name already ends in .iso in any letter case.
std::string isoOutputName(const std::string& chosenName);

}  // namespace quillon
