// popstation: packs a disc image into EBOOT.PBP in the current folder. Ctrl+C stops it
// between blocks without leaving a partial EBOOT.PBP.
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
    const std::vector<std::string> args(argv + 1, argv + argc);
    return quillon::popstation::runTool(args, quillon::popstation::Workplace{}, gStop, std::cout);
}
