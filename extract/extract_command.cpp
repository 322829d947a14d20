#include "extract/extract_command.h"

namespace quillon {

void runIsoExtraction(Workspace&, BusyState& busy) {
    busy.beginBusy(Operation::Extract);
    busy.errorShown = false;
    busy.endBusy();
}

}  // namespace quillon
