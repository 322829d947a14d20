// popstation: packs a disc image into EBOOT.PBP in the current folder. Ctrl+C (and a
// request to end: SIGTERM, SIGHUP, which it also gets when the program that started it
// ends) stops it between blocks without leaving a partial EBOOT.PBP.
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
    const std::vector<std::string> args(argv + 1, argv + argc);
    return quillon::popstation::runTool(args, quillon::popstation::Workplace{}, gStop, std::cout);
}
