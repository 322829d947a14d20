// The command line's stand-in for the main window: message boxes go to stderr, the
// status line is kept (and drawn as a progress line on a terminal), Ctrl+C acts as the
// "Abort" button.
#pragma once

#include <string>

#include "state/busy_state.h"
#include "state/host.h"

namespace quillon {

class CliHost : public Host {
public:
    CliHost();
    ~CliHost() override;

    // The busy state that Ctrl+C asks to stop.
    void attach(BusyState& busy) { busy_ = &busy; }
    // The name that answers the save dialog of ISO extraction; empty cancels it.
    void setSaveName(std::string name) { saveName_ = std::move(name); }

    void showMessage(const std::string& text, const std::string& caption) override;
    void setStatus(const std::string& text) override;
    void showProgress(const ProgressReport& report) override;
    void pump() override;
    void enterBusy(Operation) override {}
    void leaveBusy() override {}
    std::optional<std::string> chooseIsoSaveName(const std::string& initialFolder) override;
    bool confirmReplace(const std::string& path) override;

    bool messageShown() const { return messageShown_; }
    // Prints the final status line and gives the exit status: 130 after Ctrl+C, 1 when
    // a message was shown, else 0.
    int finish();

    // Whether Ctrl+C has been pressed since the program started.
    static bool interrupted();

private:
    void endProgressLine();

    BusyState* busy_ = nullptr;
    std::string saveName_;
    std::string status_;
    bool messageShown_ = false;
    bool progressLineOpen_ = false;
    bool stderrIsTerminal_ = false;
};

}  // namespace quillon
