// The command line's stand-in for the main window: message boxes go to stderr, the
// status line is kept (and drawn as a progress line on a terminal), Ctrl+C (and a
// request to end, SIGTERM or SIGHUP) acts as the "Abort" button.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "state/busy_state.h"
#include "state/host.h"

namespace quillon {

// A count of bytes in MiB with one decimal ("12.5").
std::string mebibyteText(std::uint64_t bytes);
// A length of time as m:ss, or h:mm:ss from an hour on.
std::string durationText(double seconds);

// The progress line of a long operation on a terminal: its status, then the share done,
// the bytes done of all, the rate and the time left, once those can be told.
std::string progressLine(const std::string& status, std::uint64_t done, std::uint64_t total, double elapsedSeconds);

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
    bool confirmReplace(const std::vector<std::string>& paths) override;

    bool messageShown() const { return messageShown_; }
    // Takes the progress line off the terminal, for lines of output to follow.
    void eraseProgressLine();
    // The exit status of an operation that a signal stopped: 128 + the signal's number
    // (130 for Ctrl+C).
    static int stoppedStatus();
    // Whether a signal has asked the program to stop (any thread may ask).
    static bool stopRequested();
    // Prints the final status line and gives the exit status of an operation that ended
    // as `ending`: 128 + the signal's number when a signal stopped it (130 for Ctrl+C),
    // else 1 when a message was shown, else 0.
    int finish(OperationEnd ending);

private:
    void endProgressLine();
    void drawLine(const std::string& line);

    BusyState* busy_ = nullptr;
    std::string saveName_;
    std::string status_;
    bool messageShown_ = false;
    bool progressLineOpen_ = false;
    bool stderrIsTerminal_ = false;
    // When the amount of work that progress counts was first seen, for the rate.
    std::uint64_t progressTotal_ = 0;
    std::chrono::steady_clock::time_point progressStart_;
    std::chrono::steady_clock::time_point lastDrawn_;
};

}  // namespace quillon
