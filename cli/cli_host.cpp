#include "cli/cli_host.h"

#include <csignal>
#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#define QUILLON_ISATTY _isatty
#define QUILLON_FILENO _fileno
#else
#include <unistd.h>
#define QUILLON_ISATTY isatty
#define QUILLON_FILENO fileno
#endif

namespace quillon {
namespace {

// The signal that last asked the program to stop; 0 before any.
volatile std::sig_atomic_t gStopSignal = 0;

// Ctrl+C, and the requests to end of a system shutting down or of a closed terminal:
// each stops the operation at its next poll, as the "Abort" button does.
#ifdef _WIN32
// Windows has no such signals but the console's Ctrl+C and Ctrl+Break, both taken as
// SIGINT (exit status 130). The handler runs on a thread of its own.
BOOL WINAPI onConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    gStopSignal = SIGINT;
    return TRUE;
}

void catchStopSignals() {
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
    SetConsoleOutputCP(CP_UTF8);  // the messages are UTF-8
}
void releaseStopSignals() { SetConsoleCtrlHandler(onConsoleControl, FALSE); }
#else
extern "C" void onStopSignal(int signal) { gStopSignal = signal; }

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

void catchStopSignals() {
    for (const int signal : kStopSignals) std::signal(signal, onStopSignal);
}
void releaseStopSignals() {
    for (const int signal : kStopSignals) std::signal(signal, SIG_DFL);
}
#endif

// Back to the start of the terminal's line, which is cleared.
constexpr const char* kClearLine = "\r\033[K";

bool isTerminal(std::FILE* stream) { return QUILLON_ISATTY(QUILLON_FILENO(stream)) != 0; }

}  // namespace

std::string mebibyteText(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

std::string durationText(double seconds) {
    const auto whole = static_cast<long long>(seconds + 0.5);
    char text[32];
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    }
    return text;
}

std::string progressLine(const std::string& status, std::uint64_t done, std::uint64_t total, double elapsedSeconds) {
    if (total == 0) return status;
    std::string line = status + (status.empty() ? "" : "  ") + std::to_string(percentOf(done, total)) + "%  " +
                       mebibyteText(done) + " of " + mebibyteText(total) + " MiB";
    // A rate needs some time and some work behind it.
    if (elapsedSeconds < 0.5 || done == 0) return line;
    const double rate = static_cast<double>(done) / elapsedSeconds;
    line += "  " + mebibyteText(static_cast<std::uint64_t>(rate)) + " MiB/s";
    if (done < total) line += "  " + durationText(static_cast<double>(total - done) / rate) + " left";
    return line;
}

CliHost::CliHost() : stderrIsTerminal_(isTerminal(stderr)) { catchStopSignals(); }

CliHost::~CliHost() { releaseStopSignals(); }

void CliHost::endProgressLine() {
    if (!progressLineOpen_) return;
    std::cerr << "\n";
    progressLineOpen_ = false;
}

void CliHost::eraseProgressLine() {
    if (!progressLineOpen_) return;
    std::cerr << kClearLine << std::flush;
    progressLineOpen_ = false;
}

int CliHost::stoppedStatus() { return 128 + (gStopSignal != 0 ? gStopSignal : SIGINT); }

bool CliHost::stopRequested() { return gStopSignal != 0; }

void CliHost::showMessage(const std::string& text, const std::string&) {
    endProgressLine();
    std::cerr << text << std::endl;
    messageShown_ = true;
}

void CliHost::drawLine(const std::string& line) {
    if (!stderrIsTerminal_) return;
    std::cerr << kClearLine << line << std::flush;
    progressLineOpen_ = true;
}

void CliHost::setStatus(const std::string& text) {
    status_ = text;
    progressTotal_ = 0;
    drawLine(text);
}

void CliHost::showProgress(const ProgressReport& report) {
    if (!report.status.empty()) status_ = report.status;
    if (!stderrIsTerminal_) return;
    const auto now = std::chrono::steady_clock::now();
    if (report.total != progressTotal_) {
        progressTotal_ = report.total;
        progressStart_ = now;
    } else if (now - lastDrawn_ < std::chrono::milliseconds(100) && report.done < report.total) {
        return;  // a terminal needs no more than ten lines a second
    }
    lastDrawn_ = now;
    const double elapsed = std::chrono::duration<double>(now - progressStart_).count();
    drawLine(progressLine(status_, report.done, report.total, elapsed));
}

void CliHost::pump() {
    if (gStopSignal != 0 && busy_) busy_->requestAbort();
}

std::optional<std::string> CliHost::chooseIsoSaveName(const std::string&) {
    if (saveName_.empty()) return std::nullopt;
    return saveName_;
}

bool CliHost::confirmReplace(const std::vector<std::string>& paths) {
    endProgressLine();
    const bool one = paths.size() == 1;
    if (isTerminal(stdin) && isTerminal(stderr)) {
        std::cerr << existingFilesText(paths) << (one ? ". Replace it? [y/N] " : ". Replace them? [y/N] ")
                  << std::flush;
        std::string answer;
        std::getline(std::cin, answer);
        if (answer == "y" || answer == "Y" || answer == "yes") return true;
    }
    showMessage(existingFilesText(paths) + (one ? "; it was not replaced." : "; they were not replaced."),
                kErrorCaption);
    return false;
}

int CliHost::finish(OperationEnd ending) {
    endProgressLine();
    std::cout << status_ << std::endl;
    if (ending == OperationEnd::Aborted) return stoppedStatus();
    return messageShown_ ? 1 : 0;
}

}  // namespace quillon
