// The front end as the operations see it: the main window's message boxes, its status
// line, its message pump, its busy look and the dialogs of ISO extraction. The window
// and the command line each implement it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/progress.h"

namespace quillon {

enum class Operation { Convert, Extract };

class Host {
public:
    virtual ~Host() = default;

    // A modal message box owned by the main window, with the error icon and OK.
    virtual void showMessage(const std::string& text, const std::string& caption) = 0;
    // Replaces the status line's text.
    virtual void setStatus(const std::string& text) = 0;
    // Shows the progress of a long operation: its status text, when it has one, and the
    // amount done where the front end draws it.
    virtual void showProgress(const ProgressReport& report) = 0;
    // Lets pending events run; an abort click (or Ctrl+C) is handled in here.
    virtual void pump() = 0;
    // Captions the operation's own button "Abort", then disables every input but it
    // (and the options button) and shows the busy cursor.
    virtual void enterBusy(Operation operation) = 0;
    // The default cursor, every input enabled, the idle captions "Extract ISO" and
    // "Convert" (in this order).
    virtual void leaveBusy() = 0;

    // The save dialog of ISO extraction, opened in `initialFolder`; nullopt on cancel.
    virtual std::optional<std::string> chooseIsoSaveName(const std::string& initialFolder) = 0;
    // Asks once whether the existing files at `paths` may be replaced.
    virtual bool confirmReplace(const std::vector<std::string>& paths) = 0;
};

}  // namespace quillon
