// ISO extraction: the disc image that a container holds, written out to a file; the
// discs of a container of several discs, each to a file of its own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "state/busy_state.h"
#include "state/fields.h"

namespace quillon {

// The operation from its start on (the abort click is the caller's): checks, the save
// dialog through the host, the copy with progress and abort, endBusy on every way out.
// A container of several discs gives every disc, or disc `onlyDisc` alone (counted
// from 1) under the chosen name. Aborted when the user stopped it.
OperationEnd runIsoExtraction(const FieldState& fields, BusyState& busy,
                              std::optional<std::size_t> onlyDisc = std::nullopt);

// The name the image is written under: the chosen name, with ".iso" appended unless
// the name already ends in .iso in any letter case.
std::string isoOutputName(const std::string& chosenName);

// The image that disc `disc` (counted from 1) of a container of `discs` goes to when
// every disc is written and the image is named `image`: the name itself for a single
// disc; "NAME (Disc 2).iso" for disc 2 of "NAME.iso".
std::string discImageName(const std::string& image, std::size_t disc, std::size_t discs);

}  // namespace quillon
