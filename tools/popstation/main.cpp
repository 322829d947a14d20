// popstation: packs a disc image into EBOOT.PBP in the current folder. Ctrl+C (and
// Ctrl+Break, or a request to end: SIGTERM, SIGHUP, which it also gets when the program
// that started it ends) stops it between blocks without leaving a partial EBOOT.PBP.
#include <atomic>
#include <csignal>
#include <iostream>

#include "tools/popstation/tool.h"

namespace {

std::atomic<bool> gStop{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void onInterrupt(int) { gStop.store(true); }

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
#ifdef SIGHUP
    std::signal(SIGHUP, onInterrupt);
#endif
#ifdef SIGBREAK
    std::signal(SIGBREAK, onInterrupt);  // Ctrl+Break in a Windows console
#endif
    const std::vector<std::string> args = quillon::programArguments(argc, argv);
    return quillon::popstation::runTool(args, quillon::popstation::Workplace{}, gStop, std::cout);
}
