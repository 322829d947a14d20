#include "convert/convert_command.h"

#include <filesystem>

#include "common/file_io.h"
#include "convert/finish_eboot.h"
#include "convert/pal_patch.h"
#include "convert/popstation_driver.h"

namespace quillon {
namespace {

constexpr const char* kSameFile = "Source file and Destination file cannot be the same.";

// Creates the output folder (one level: its parent must exist); true when it exists
// afterwards and the attempt raised no error. An existing folder is fine.
bool makeOutputFolder(const std::string& folder) {
    if (folder.empty()) return false;
    std::error_code ec;
    std::filesystem::create_directory(toFsPath(folder), ec);
    return !ec && isFolder(folder);
}

// Whether two paths name the same file: by identity when both exist, else by their
// absolute names with links resolved.
bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    const auto pathA = toFsPath(a);
    const auto pathB = toFsPath(b);
    if (std::filesystem::exists(pathA, ec) && std::filesystem::exists(pathB, ec)) {
        return std::filesystem::equivalent(pathA, pathB, ec);
    }
    const auto canonicalA = std::filesystem::weakly_canonical(pathA, ec);
    if (ec) return false;
    const auto canonicalB = std::filesystem::weakly_canonical(pathB, ec);
    return !ec && canonicalA == canonicalB;
}

// The fields a conversion cannot do without, checked in this order through showError
// (only the first is shown); true when all are filled.
bool requiredFieldsFilled(const Workspace& fields, BusyState& busy) {
    if (fields.text(Field::srcIso).empty()) busy.showError(3);
    if (fields.text(Field::labelText).empty()) busy.showError(5);
    if (fields.text(Field::saveID).empty()) busy.showError(6);
    if (fields.text(Field::saveID_l).empty()) busy.showError(6);
    return !busy.errorShown;
}

// The stages from the kind of source on.
StageOutcome runStages(ConversionJob& job, Workspace& fields, BusyState& busy, ToolProcess& tool) {
    const std::string source = fields.text(Field::srcIso);
    const std::string output = outputPbpPath(fields);
    job.sourceIsPbp = toLowerAscii(extensionOf(source)) == ".pbp";
    // A disc image goes through the tool's container in the Files folder: an output
    // folder that is the Files folder would have finishing read and write one file.
    job.sourcePbp = job.sourceIsPbp ? source : job.filesFolder + "EBOOT.PBP";
    if (sameFile(job.sourcePbp, output)) {
        busy.showMessage(kSameFile);
        busy.endBusy();
        return StageOutcome::Stopped;
    }
    if (!job.sourceIsPbp) {
        const StageOutcome tooled = runPopstation(job, fields, busy, tool);
        if (tooled != StageOutcome::Proceed) return tooled;
    }
    return finishEboot(job, fields, busy);
}

}  // namespace

void runConversion(Workspace& fields, BusyState& busy, ToolProcess& tool,
                   const std::string& programFolder) {
    if (!makeOutputFolder(fields.text(Field::dstPbp))) {
        busy.showMessage("Unable to create output folder.");
        busy.endBusy();
        return;
    }
    ConversionJob job;
    busy.beginBusy(Operation::Convert);
    busy.errorShown = false;
    job.filesFolder = programFolder + "Files" + kPathSeparator;

    if (requiredFieldsFilled(fields, busy) &&
        runStages(job, fields, busy, tool) == StageOutcome::Stopped) {
        return;
    }
    busy.endBusy();
    if (fields.palFix()) busy.host().setStatus(patchSummary(job.patchCount));
}

}  // namespace quillon
