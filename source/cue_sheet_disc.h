// The disc that a cue sheet describes, laid out as layOutCueSheet says. Each file that
// the sheet names is opened once, as the sheet is read.
#pragma once

#include <memory>

#include "common/expected.h"
#include "common/file_io.h"
#include "source/cue_sheet.h"
#include "source/stretched_disc.h"

namespace quillon {

class CueSheetDisc : public StretchedDisc {
public:
    static Expected<std::unique_ptr<DiscReader>> open(InputFile sheetFile);

private:
    using StretchedDisc::StretchedDisc;
};

// The sheet at `path` as its disc's reader reads it, each file it names opened for its
// size and closed again: for what needs the sheet's files, not its disc.
Expected<CueSheet> readCueSheet(const std::string& path);

}  // namespace quillon
