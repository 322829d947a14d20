#include "cli/cli_host.h"

#include <csignal>
#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#define QUILLON_ISATTY _isatty
#define QUILLON_FILENO _fileno
#else
#include <unistd.h>
#define QUILLON_ISATTY isatty
#define QUILLON_FILENO fileno
#endif

namespace quillon {
namespace {

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void onInterrupt(int) { gInterrupted = 1; }

bool isTerminal(std::FILE* stream) { return QUILLON_ISATTY(QUILLON_FILENO(stream)) != 0; }

}  // namespace

CliHost::CliHost() : stderrIsTerminal_(isTerminal(stderr)) {
    std::signal(SIGINT, onInterrupt);
}

CliHost::~CliHost() { std::signal(SIGINT, SIG_DFL); }

bool CliHost::interrupted() { return gInterrupted != 0; }

void CliHost::endProgressLine() {
    if (!progressLineOpen_) return;
    std::cerr << "\n";
    progressLineOpen_ = false;
}

void CliHost::showMessage(const std::string& text, const std::string&) {
    endProgressLine();
    std::cerr << text << std::endl;
    messageShown_ = true;
}

void CliHost::setStatus(const std::string& text) {
    status_ = text;
    if (!stderrIsTerminal_) return;
    std::cerr << "\r\033[K" << text << std::flush;
    progressLineOpen_ = true;
}

void CliHost::showProgress(const ProgressReport& report) {
    if (!report.status.empty()) setStatus(report.status);
}

void CliHost::pump() {
    if (gInterrupted && busy_) busy_->requestAbort();
}

std::optional<std::string> CliHost::chooseIsoSaveName(const std::string&) {
    if (saveName_.empty()) return std::nullopt;
    return saveName_;
}

bool CliHost::confirmReplace(const std::string& path) {
    endProgressLine();
    if (isTerminal(stdin) && isTerminal(stderr)) {
        std::cerr << "\"" << path << "\" already exists. Replace it? [y/N] " << std::flush;
        std::string answer;
        std::getline(std::cin, answer);
        if (answer == "y" || answer == "Y" || answer == "yes") return true;
    }
    showMessage("\"" + path + "\" already exists; it was not replaced.", kErrorCaption);
    return false;
}

int CliHost::finish() {
    endProgressLine();
    std::cout << status_ << std::endl;
    if (interrupted()) return 130;
    return messageShown_ ? 1 : 0;
}

}  // namespace quillon
