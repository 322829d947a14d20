#include "app/busy_state.h"

namespace quillon {

std::string errorMessage(int code) {
    switch (code) {
        case 1: return std::string(kPopstationFileName) + " not found in folder \"Files\".";
        case 2: return "An unknown error occurred.";
        case 3: return "You have to select a ISO file.";
        case 4: return "You have to select a output directory.";
        case 5: return "You have to set a game title.";
        case 6: return "You have to set a save ID.";
        case 7: return "PBP file don't contain a ISO.";
        case 8: return "Cant find end of ISO file.";
        case 9: return "Selected file is not a valid PBP file.";
        case 10:
            return "The file size of ICON0.PNG + PIC1.PNG + PIC0.PNG + SND0.AT3 + ICON1.PMF is "
                   "too big.";
        default: return {};
    }
}

void BusyState::endBusy() {
    host_.setStatus(abortRequested ? kStatusAborted : kStatusDone);
    host_.leaveBusy();
    abortRequested = false;
}

void BusyState::showError(int code) {
    if (errorShown) return;
    errorShown = true;
    host_.showMessage(errorMessage(code), kErrorCaption);
}

void BusyState::showMessage(const std::string& text, const std::string& caption) {
    host_.showMessage(text, caption);
}

void BusyState::showFileError(const Error& error) { host_.showMessage(error.message, kProgramTitle); }

}  // namespace quillon
