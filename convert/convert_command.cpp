#include "convert/convert_command.h"

#include <filesystem>

#include "common/file_io.h"
#include "convert/finish_eboot.h"
#include "convert/pal_patch.h"
#include "convert/popstation_driver.h"
#include "state/artwork_kinds.h"

namespace quillon {
namespace {

constexpr const char* kSameFile = "Source file and Destination file cannot be the same.";
constexpr const char* kNoOutputFolder = "Unable to create output folder.";

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
bool requiredFieldsFilled(const FieldState& fields, BusyState& busy) {
    if (fields.text(Field::srcIso).empty()) busy.showError(ErrorCode::NoSource);
    if (fields.text(Field::labelText).empty()) busy.showError(ErrorCode::NoTitle);
    if (fields.text(Field::saveID).empty()) busy.showError(ErrorCode::NoSaveId);
    if (fields.text(Field::saveID_l).empty()) busy.showError(ErrorCode::NoSaveId);
    return !busy.errorShown();
}

// The finishing's values, read from the fields when the stage starts (the warning
// picture may have been changed in the options window while the tool ran).
FinishJob readFinishJob(const FieldState& fields, const std::string& sourcePbp, bool sourceIsPbp,
                        const ProgramFolder& folder) {
    FinishJob job;
    job.sourcePbp = sourcePbp;
    job.sourceIsToolOutput = !sourceIsPbp;
    job.outputFolder = fields.text(Field::dstPbp);
    for (std::size_t i = 0; i < kArtworkKinds.size(); ++i) {
        job.artwork[i] = fields.text(kArtworkKinds[i].field);
    }
    job.warning = fields.text(Field::warning);
    job.idPrefix = fields.text(Field::saveID_l);
    job.idNumber = fields.text(Field::saveID);
    job.title = fields.text(Field::labelText);
    job.saveTitle = fields.text(Field::saveTitle);
    job.palFix = fields.palFix();
    job.keysFile = folder.keysFile();
    return job;
}

// Everything between the output-folder step and the end of the busy state.
StageOutcome convert(FieldState& fields, BusyState& busy, ToolProcess& tool,
                     const ProgramFolder& folder, int& patchCount) {
    if (!makeOutputFolder(fields.text(Field::dstPbp))) {
        busy.showMessage(kNoOutputFolder);
        return StageOutcome::EndWithoutSummary;
    }
    busy.begin(Operation::Convert);
    if (!requiredFieldsFilled(fields, busy)) return StageOutcome::EndWithSummary;

    const std::string source = fields.text(Field::srcIso);
    const bool sourceIsPbp = toLowerAscii(extensionOf(source)) == ".pbp";
    ToolJob toolJob{folder.popstationTool(), folder.filesFolder(), {}, source};
    // A disc image goes through the tool's container in the Files folder: an output
    // folder that is the Files folder would have finishing read and write one file.
    const std::string sourcePbp = sourceIsPbp ? source : toolContainerPath(toolJob);
    if (sameFile(sourcePbp, outputPbpPath(fields.text(Field::dstPbp)))) {
        busy.showMessage(kSameFile);
        return StageOutcome::EndWithoutSummary;
    }
    if (!sourceIsPbp) {
        toolJob.compressionLevel = fields.text(Field::Compression);
        const StageOutcome tooled = runPopstation(toolJob, busy, tool);
        if (tooled != StageOutcome::Proceed) return tooled;
    }
    const StageOutcome finished =
        finishEboot(readFinishJob(fields, sourcePbp, sourceIsPbp, folder), busy, patchCount);
    return finished == StageOutcome::Proceed ? StageOutcome::EndWithSummary : finished;
}

}  // namespace

void runConversion(FieldState& fields, BusyState& busy, ToolProcess& tool,
                   const ProgramFolder& folder) {
    int patchCount = -1;
    const StageOutcome outcome = convert(fields, busy, tool, folder, patchCount);
    busy.end();
    if (outcome == StageOutcome::EndWithSummary && fields.palFix()) {
        busy.setStatus(patchSummary(patchCount));
    }
}

}  // namespace quillon
