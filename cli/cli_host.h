// The command line's stand-in for the main window: message boxes go to stderr, the
// status line is kept (and drawn as a progress line on a terminal), Ctrl+C (and a
// request to end, SIGTERM or SIGHUP) acts as the "Abort" button.
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
    // Prints the final status line and gives the exit status: 128 + the signal's number
    // when a signal stopped the operation ("User aborted."; 130 for Ctrl+C), else 1 when
    // a message was shown, else 0.
    int finish();

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
