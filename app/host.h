// The main window as the long operations and source inspection see it: message
// boxes, the status line, the message pump, the busy look of the window and the save
// dialog of ISO extraction. The window and the command-line program implement it.
#pragma once

#include <optional>
#include <string>

namespace quillon {

enum class Operation { Convert, Extract };

class Host {
public:
    virtual ~Host() = default;

    // A modal message box owned by the main window, with the error icon and OK.
    virtual void showMessage(const std::string& text, const std::string& caption) = 0;
    // Replaces the status line's text.
    virtual void setStatus(const std::string& text) = 0;
    // Processes pending window messages; an abort click is handled in here.
    virtual void pump() = 0;
    // Captions the operation's own button "Abort", then disables every input but it
    // (and the options button) and shows the busy cursor.
    virtual void enterBusy(Operation operation) = 0;
    // The default cursor, every input enabled, the idle captions "Extract ISO" and
    // "Convert" (in this order).
    virtual void leaveBusy() = 0;

    // The save dialog of ISO extraction, opened in `initialFolder`; nullopt on cancel.
    virtual std::optional<std::string> chooseIsoSaveName(const std::string& initialFolder) = 0;
    // Asks whether an existing file may be replaced.
    virtual bool confirmReplace(const std::string& path) = 0;
};

}  // namespace quillon
