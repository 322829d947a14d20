#include "state/busy_state.h"

#include "common/text.h"

namespace quillon {

std::string errorMessage(ErrorCode code) {
    switch (code) {
        case ErrorCode::ToolMissing: return std::string(kPopstationFileName) + " not found in folder \"Files\".";
        case ErrorCode::ToolDidNotStart: return "An unknown error occurred.";
        case ErrorCode::NoSource: return "You have to select a ISO file.";
        case ErrorCode::NoOutputFolder: return "You have to select a output directory.";
        case ErrorCode::NoTitle: return "You have to set a game title.";
        case ErrorCode::NoSaveId: return "You have to set a save ID.";
        case ErrorCode::NoDiscImage: return "PBP file don't contain a ISO.";
        case ErrorCode::NoEndOfImage: return "Cant find end of ISO file.";
        case ErrorCode::NotAContainer: return "Selected file is not a valid PBP file.";
        case ErrorCode::FrontPartTooBig:
            return "The file size of ICON0.PNG + PIC1.PNG + PIC0.PNG + SND0.AT3 + ICON1.PMF is "
                   "too big.";
    }
    return {};
}

std::string existingFilesText(const std::vector<std::string>& paths) {
    std::string names;
    for (const std::string& path : paths) names += (names.empty() ? "" : ", ") + inQuotes(path);
    return names + (paths.size() == 1 ? " already exists" : " already exist");
}

void BusyState::begin(Operation operation) {
    running_ = operation;
    host_.enterBusy(operation);
    errorShown_ = false;
}

OperationEnd BusyState::end() {
    const OperationEnd ending = abortRequested_ ? OperationEnd::Aborted : OperationEnd::Done;
    host_.setStatus(ending == OperationEnd::Aborted ? kStatusAborted : kStatusDone);
    host_.leaveBusy();
    running_.reset();
    abortRequested_ = false;
    return ending;
}

void BusyState::showError(ErrorCode code) {
    if (errorShown_) return;
    errorShown_ = true;
    host_.showMessage(errorMessage(code), kErrorCaption);
}

void BusyState::showMessage(const std::string& text, const std::string& caption) { host_.showMessage(text, caption); }

void BusyState::showFileError(const Error& error) { host_.showMessage(error.message, kProgramTitle); }

Progress BusyState::progress() {
    return [this](const ProgressReport& report) {
        host_.showProgress(report);
        host_.pump();
        return !abortRequested_;
    };
}

}  // namespace quillon
