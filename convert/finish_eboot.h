// The finishing stage of the conversion: the container that the tool made (or the
// .pbp the user chose) is rewritten as EBOOT.PBP in the output folder, with the user's
// artwork, sound, titles, disc ID and warning picture, and the disc-image block moved
// to its fixed offset; KEYS.BIN is put beside it.
#pragma once

#include "app/busy_state.h"
#include "app/workspace.h"
#include "convert/convert_command.h"

namespace quillon {

// Proceed on success; ToEnd after an input the container cannot take (error 10, a game
// title too long for PARAM.SFO); Stopped, with endBusy already called, when the source
// is no usable container (error 7, error 8, offsets out of order), on a file error and
// on abort. The source is never changed, and no way out but success leaves a new or
// partial EBOOT.PBP: an earlier one in the output folder stays as it was.
StageOutcome finishEboot(ConversionJob& job, Workspace& fields, BusyState& busy);

// The output file of a conversion: dstPbp + separator + "EBOOT.PBP".
std::string outputPbpPath(const Workspace& fields);

}  // namespace quillon
