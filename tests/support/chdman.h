// Debian's chdman (package mame-tools) for tests that need real CHD files: it makes CD
// CHDs from cue sheets. Tests that need it skip when it is missing, except in CI
// (CI=true), where its absence fails them.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/temp_folder.h"

namespace quillon::testing {

inline bool chdmanInstalled() { return std::system("command -v chdman >/dev/null 2>&1") == 0; }

inline bool inCi() {
    const char* ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}

// In a test body or fixture: skips the test when chdman is missing, fails it in CI.
#define QUILLON_NEED_CHDMAN()                                                                      \
    do {                                                                                           \
        if (!::quillon::testing::chdmanInstalled()) {                                              \
            if (::quillon::testing::inCi()) FAIL() << "chdman is missing (install mame-tools)";    \
            GTEST_SKIP() << "chdman is missing: install mame-tools to run the tests of real CHDs"; \
        }                                                                                          \
    } while (false)

// chdman createcd from the sheet `cue` into `chd` with the codecs `codecs` (such as
// "cdlz" or "cdlz,cdzl,cdfl"; empty: chdman's default); true when chdman succeeded and
// reads the result back (its "info" opens the file).
inline bool makeChd(const std::string& cue, const std::string& chd, const std::string& codecs = {},
                    const std::string& more = {}) {
    std::string command = "chdman createcd -f -i \"" + cue + "\" -o \"" + chd + "\"";
    if (!codecs.empty()) command += " -c " + codecs;
    command += " " + more + " >/dev/null 2>&1 && chdman info -i \"" + chd + "\" >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

}  // namespace quillon::testing
