#include "platform/termination_watch.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>

namespace {

bool waitFor(const std::atomic<int>& calls, int expected) {
    for (int attempt = 0; attempt < 500 && calls < expected; ++attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return calls == expected;
}

// Each of the three requests reaches the watch's callback once, and neither
// it nor a second request ends the process; afterwards the signal has its
// default action again.
TEST(TerminationWatch, EachRequestSignalCallsBackOnceAndEndsNothing) {
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        std::atomic<int> calls{0};
        const std::thread::id caller = std::this_thread::get_id();
        std::atomic<bool> calledElsewhere{false};
        {
            platform::TerminationWatch watch([&] {
                calledElsewhere = std::this_thread::get_id() != caller;
                ++calls;
            });
            std::raise(signal);
            EXPECT_TRUE(waitFor(calls, 1)) << "signal " << signal;
            std::raise(signal);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        EXPECT_EQ(calls, 1) << "signal " << signal;
        EXPECT_TRUE(calledElsewhere) << "the callback runs on the watch's thread";
        EXPECT_EQ(std::signal(signal, SIG_DFL), SIG_DFL) << "the default action is back";
    }
}

}  // namespace
