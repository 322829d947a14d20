// The command line's host on its own: signals act as the "Abort" button, and the exit
// status follows what the operation made of them.
#include "cli/cli_host.h"

#include <gtest/gtest.h>

#include <csignal>

namespace quillon {
namespace {

TEST(CliHostTest, ExitStatusFollowsWhetherASignalStoppedTheOperation) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows stops on the console's Ctrl+C, not on signals: tests/windows checks it";
#endif
    CliHost host;
    BusyState busy(host);
    host.attach(busy);
    struct Case {
        int signal;
        bool polledAfterwards;
        int status;
    };
    // A signal once received stops every later poll: the one without a poll comes first.
    const Case cases[] = {
        {SIGINT, false, 0},  // after the last poll: the run completed
        {SIGINT, true, 130},
        {SIGTERM, true, 143},
#ifdef SIGHUP
        {SIGHUP, true, 129},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.signal);
        busy.begin(Operation::Extract);
        if (!c.polledAfterwards) EXPECT_TRUE(busy.progress()({}));
        std::raise(c.signal);
        if (c.polledAfterwards) EXPECT_FALSE(busy.progress()({}));
        EXPECT_EQ(host.finish(busy.end()), c.status);
    }
}

TEST(ProgressLineTest, ShareBytesRateAndTimeLeftOnceTheyCanBeTold) {
    constexpr std::uint64_t kMiB = 1024 * 1024;
    struct Case {
        std::string status;
        std::uint64_t done, total;
        double seconds;
        std::string line;
    };
    const Case cases[] = {
        {"Saving ISO file... (0%)", 0, 0, 0.0, "Saving ISO file... (0%)"},
        {"Copying", 0, 700 * kMiB, 0.0, "Copying  0%  0.0 of 700.0 MiB"},
        {"Copying", 70 * kMiB, 700 * kMiB, 0.2, "Copying  10%  70.0 of 700.0 MiB"},
        {"Copying", 70 * kMiB, 700 * kMiB, 1.0, "Copying  10%  70.0 of 700.0 MiB  70.0 MiB/s  0:09 left"},
        {"", 350 * kMiB, 700 * kMiB, 5000.0, "50%  350.0 of 700.0 MiB  0.1 MiB/s  1:23:20 left"},
        {"Done", 700 * kMiB, 700 * kMiB, 2.0, "Done  100%  700.0 of 700.0 MiB  350.0 MiB/s"},
    };
    for (const Case& c : cases) EXPECT_EQ(progressLine(c.status, c.done, c.total, c.seconds), c.line);
}

}  // namespace
}  // namespace quillon
