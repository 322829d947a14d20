#include "convert/convert_command.h"

#include <filesystem>

#include "common/file_io.h"
#include "common/file_system.h"
#include "convert/finish_eboot.h"
#include "convert/pal_patch.h"
#include "convert/popstation_driver.h"
#include "source/pbp.h"
#include "state/artwork_kinds.h"

namespace quillon {
namespace {

constexpr const char* kNoOutputFolder = "Unable to create output folder.";
// In the Files folder: held while a conversion works there.
constexpr const char* kWorkplaceLockName = ".conversion.lock";
// In the Files folder: the output folder of the conversion that started last.
constexpr const char* kLastOutputName = ".last-output";

// The output folder as the command finds it: made by this run, or there already.
struct OutputFolder {
    bool exists = false;
    bool made = false;
};

// Creates the output folder (one level: its parent must exist). It exists afterwards
// when the attempt raised no error and the folder is there; an existing one is fine.
OutputFolder makeOutputFolder(const std::string& folder) {
    std::error_code ec;
    const bool made = std::filesystem::create_directory(toFsPath(folder), ec);
    return {!ec && isFolder(folder), made && !ec};
}

// The fields a conversion cannot do without, checked in this order through showError
// (only the first is shown); true when all are filled.
bool requiredFieldsFilled(const FieldState& fields, BusyState& busy) {
    if (fields.text(Field::sourcePath).empty()) busy.showError(ErrorCode::NoSource);
    if (fields.text(Field::title).empty()) busy.showError(ErrorCode::NoTitle);
    if (fields.text(Field::discIdNumber).empty()) busy.showError(ErrorCode::NoSaveId);
    if (fields.text(Field::discIdPrefix).empty()) busy.showError(ErrorCode::NoSaveId);
    return !busy.errorShown();
}

// The finishing's values, read from the fields when the stage starts (the warning
// picture may have been changed in the options window while the tool ran).
FinishJob readFinishJob(const FieldState& fields, const std::string& sourcePbp, const ProgramFolder& folder,
                        std::vector<Sidecar> sidecars) {
    FinishJob job;
    job.sourcePbp = sourcePbp;
    job.outputFolder = fields.text(Field::outputFolder);
    for (std::size_t i = 0; i < kArtworkKinds.size(); ++i) {
        job.artwork[i] = fields.text(kArtworkKinds[i].field);
    }
    job.warning = fields.text(Field::warning);
    job.idPrefix = fields.text(Field::discIdPrefix);
    job.idNumber = fields.text(Field::discIdNumber);
    job.title = fields.text(Field::title);
    job.saveTitle = fields.text(Field::saveTitle);
    job.palFix = fields.palFix();
    job.keysFile = folder.keysFile();
    job.sidecars = std::move(sidecars);
    return job;
}

// A file that goes when the scope that made it ends, however it ends.
struct RemovedAtTheEnd {
    std::string path;
    ~RemovedAtTheEnd() { removeFile(path); }
};

// The check step: everything that can be refused before the tool runs or the output
// is written. Proceed, with the sidecars to carry, when nothing is refused.
struct CheckedConversion {
    StageOutcome outcome = StageOutcome::Proceed;
    std::vector<Sidecar> sidecars;
};

CheckedConversion checkBeforeConversion(const FieldState& fields, BusyState& busy, const ProgramFolder& folder,
                                        const std::string& sourcePbp, OpenedSource& opened) {
    const std::string source = fields.text(Field::sourcePath);
    // A disc image goes through the tool's container in the workplace: an output folder
    // that is the workplace would have finishing read and write one file.
    if (sameFile(sourcePbp, outputPbpPath(fields.text(Field::outputFolder)))) {
        busy.showMessage(kSameFileMessage);
        return {StageOutcome::EndWithoutSummary, {}};
    }
    auto sidecars = sidecarsOf(source, opened);
    if (!sidecars) {
        busy.showMessage(sidecars.error().message);
        return {StageOutcome::EndWithoutSummary, {}};
    }
    // A container source is checked by finishing, before it writes, in its own order;
    // the tool's container is not there yet, but the pieces that no container can take
    // are known now, minutes of packing before finishing would refuse them.
    if (!isPbpPath(source)) {
        const StageOutcome pieces = checkPiecesAhead(readFinishJob(fields, sourcePbp, folder, {}), busy);
        if (pieces != StageOutcome::Proceed) return {pieces, {}};
    }
    return {StageOutcome::Proceed, std::move(*sidecars)};
}

// The stages, from the kind of source on.
StageOutcome runStages(FieldState& fields, BusyState& busy, ToolProcess& tool, const ProgramFolder& folder,
                       const WorkFolders& workplace, OpenedSource& opened, ToolCompression compression,
                       int& patchCount) {
    const std::string source = fields.text(Field::sourcePath);
    const bool sourceIsPbp = isPbpPath(source);
    ToolJob toolJob{folder.popstationTool(), workplace.toolFolder, {}, source, {}, compression};
    const std::string sourcePbp = sourceIsPbp ? source : toolContainerPath(toolJob);
    CheckedConversion checked = checkBeforeConversion(fields, busy, folder, sourcePbp, opened);
    if (checked.outcome != StageOutcome::Proceed) return checked.outcome;
    if (sourceIsPbp) {
        return finishEboot(readFinishJob(fields, sourcePbp, folder, std::move(checked.sidecars)), busy, patchCount);
    }
    toolJob.compressionLevel = fields.text(Field::compressionLevel);
    if (folder.baseContainer() != workplace.toolFolder + "base.pbp") toolJob.baseContainer = folder.baseContainer();
    const RemovedAtTheEnd toolContainer{sourcePbp};  // as large as the image
    const StageOutcome tooled = runPopstation(toolJob, opened, busy, tool);
    if (tooled != StageOutcome::Proceed) return tooled;
    return finishEboot(readFinishJob(fields, sourcePbp, folder, std::move(checked.sidecars)), busy, patchCount);
}

// The Files folder is the tool's workplace: a disc image is converted only while no
// other conversion of this program folder runs. nullopt (with the message shown) when
// one does; a lock that cannot be taken at all leaves the tool stage to report why.
std::optional<std::optional<FileLock>> lockWorkplace(const std::string& source, const ProgramFolder& folder,
                                                     BusyState& busy) {
    if (isPbpPath(source)) return std::optional<FileLock>();
    auto lock = FileLock::tryLock(folder.inFiles(kWorkplaceLockName));
    if (!lock) return std::optional<FileLock>();
    if (!*lock) {
        busy.showMessage("Another conversion is running in the program folder " + inQuotes(folder.root()) +
                         ". Start this one when it has ended.");
        return std::nullopt;
    }
    return std::move(*lock);
}

// Whether a conversion of `source` asks the tool for what it cannot give: the strongest
// compression from a tool that is there and is not the project's own (a missing tool is
// the tool stage's to report).
bool strongestRefused(const std::string& source, const ProgramFolder& folder, ToolCompression compression) {
    const std::string tool = folder.popstationTool();
    return compression == ToolCompression::Strongest && !isPbpPath(source) && isFile(tool) && !isOwnTool(tool);
}

// A conversion that was killed could not remove its partial container from its output
// folder: the next one removes what killed runs left there, and notes its own.
void cleanUpAfterAKilledConversion(const ProgramFolder& folder, const std::string& outputFolder) {
    const std::string record = folder.inFiles(kLastOutputName);
    if (const auto last = readWholeFile(record)) removeStaleTemporaries(std::string(asText(*last)));
    // Without the note, leftovers wait for the next conversion into that folder.
    static_cast<void>(writeFileAtomically(record, asBytes(outputFolder)));
}

// Everything before the end of the busy state.
StageOutcome convert(FieldState& fields, BusyState& busy, ToolProcess& tool, const ProgramFolder& folder,
                     const WorkFolders& workplace, OpenedSource& opened, ToolCompression compression, int& patchCount) {
    // Checks that need no folder made and no busy state: a source that is no file says
    // so before any other field is looked at.
    const std::string source = fields.text(Field::sourcePath);
    if (!source.empty()) {
        if (auto regular = checkRegularFile(source); !regular) {
            busy.showFileError(regular.error());
            return StageOutcome::EndWithoutSummary;
        }
    }
    if (strongestRefused(source, folder, compression)) {
        busy.showMessage(strongestNeedsOwnTool(folder.popstationTool()));
        return StageOutcome::EndWithoutSummary;
    }
    const std::string outputFolder = fields.text(Field::outputFolder);
    if (outputFolder.empty()) {
        busy.showMessage(errorMessage(ErrorCode::NoOutputFolder));
        return StageOutcome::EndWithoutSummary;
    }
    folder.makeUserFolder(workplace.toolFolder);
    // A private workplace is its job's alone: there is nothing to lock.
    const auto lock =
        workplace.shared ? lockWorkplace(source, folder, busy) : std::optional<std::optional<FileLock>>(std::in_place);
    if (!lock) return StageOutcome::EndWithoutSummary;

    const OutputFolder output = makeOutputFolder(outputFolder);
    if (!output.exists) {
        busy.showMessage(kNoOutputFolder);
        return StageOutcome::EndWithoutSummary;
    }
    if (workplace.shared) cleanUpAfterAKilledConversion(folder, outputFolder);
    busy.begin(Operation::Convert);
    StageOutcome outcome = StageOutcome::EndWithSummary;
    if (requiredFieldsFilled(fields, busy))
        outcome = runStages(fields, busy, tool, folder, workplace, opened, compression, patchCount);
    // A folder this run made and left empty goes again (a full one stays).
    if (output.made) {
        std::error_code ec;
        std::filesystem::remove(toFsPath(outputFolder), ec);
    }
    return outcome == StageOutcome::Proceed ? StageOutcome::EndWithSummary : outcome;
}

}  // namespace

OperationEnd runConversion(FieldState& fields, BusyState& busy, ToolProcess& tool, const ProgramFolder& folder,
                           const WorkFolders& workplace, OpenedSource& opened, ToolCompression compression) {
    int patchCount = 0;
    const StageOutcome outcome = convert(fields, busy, tool, folder, workplace, opened, compression, patchCount);
    const OperationEnd ending = busy.end();
    // An abort that came after the last poll point did not stop the conversion: the
    // summary then replaces "User aborted.".
    if (outcome == StageOutcome::EndWithSummary && fields.palFix()) {
        busy.setStatus(patchSummary(patchCount));
        return OperationEnd::Done;
    }
    return ending;
}

}  // namespace quillon
