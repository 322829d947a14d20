// The finishing stage of the conversion: the container that the tool made (or the
// .pbp the user chose) is rewritten as EBOOT.PBP in the output folder, with the user's
// artwork, sound, titles, disc ID and warning picture, and the disc-image block moved
// to its fixed offset; KEYS.BIN is put beside it. The source is only read.
#pragma once

#include <array>
#include <string>

#include "convert/convert_command.h"
#include "convert/sidecars.h"
#include "state/busy_state.h"

namespace quillon {

struct FinishJob {
    std::string sourcePbp;
    std::string outputFolder;            // receives EBOOT.PBP
    std::array<std::string, 5> artwork;  // paths, in the order of kArtworkKinds
    std::string warning;                 // the new start-screen picture
    std::string idPrefix, idNumber;
    std::string title;      // into PARAM.SFO
    std::string saveTitle;  // into the head of the disc-image block
    bool palFix = false;
    std::string keysFile;  // copied beside the output unless one is there
    // Put beside the output with it; every other sidecar there goes.
    std::vector<Sidecar> sidecars;
};

// The output file of a conversion: outputFolder + separator + "EBOOT.PBP".
std::string outputPbpPath(const std::string& outputFolder);

// What the pieces of `job` (artwork, sound, warning picture) make certain before any
// container is there, checked as finishing checks them: a warning picture that no
// start-screen block can take (its message), and artwork and sound that leave no room
// in front of DATA.PSAR behind even the smallest front part (error 10); a piece that
// cannot be read is a file error. Proceed when none applies.
StageOutcome checkPiecesAhead(const FinishJob& job, BusyState& busy);

// Proceed on success; EndWithSummary after an input the container cannot take (error
// 10, a title too long for PARAM.SFO); EndWithoutSummary when the source is no usable
// container (error 7, error 8, offsets out of order), on a file error and on abort.
// `patchCount` goes up by the number of places the PAL patch changed. The source is never
// changed, and no way out but success leaves a new or partial EBOOT.PBP: an earlier one
// in the output folder stays as it was.
StageOutcome finishEboot(const FinishJob& job, BusyState& busy, int& patchCount);

}  // namespace quillon
