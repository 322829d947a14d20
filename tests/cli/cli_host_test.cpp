// The command line's host on its own: signals act as the "Abort" button, and the exit
// status follows what the operation made of them.
#include "cli/cli_host.h"

#include <gtest/gtest.h>

#include <csignal>

namespace quillon {
namespace {

TEST(CliHostTest, ExitStatusFollowsWhetherASignalStoppedTheOperation) {
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
        busy.end();
        EXPECT_EQ(host.finish(), c.status);
    }
}

}  // namespace
}  // namespace quillon
