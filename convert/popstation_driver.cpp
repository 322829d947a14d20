#include "convert/popstation_driver.h"

namespace quillon {

std::vector<std::string> popstationArguments(const std::string& compressionLevel,
                                             const std::string& sourcePath) {
    if (compressionLevel.empty()) return {sourcePath};
    return {"", "SLPM86023", compressionLevel, sourcePath};
}

StageOutcome runPopstation(ConversionJob&, Workspace&, BusyState& busy, ToolProcess&) {
    busy.showError(1);
    return StageOutcome::ToEnd;
}

}  // namespace quillon
