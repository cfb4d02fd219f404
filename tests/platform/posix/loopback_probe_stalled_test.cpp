// The port probe against a program that listens but never accepts.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <optional>

#include "platform/loopback_probe.h"
#include "tests/platform/posix/stalled_listener.h"

using namespace std::chrono_literals;

namespace {

TEST(LoopbackProbe, GivesUpOnAListenerThatNeverAccepts) {
    std::optional<StalledListener> listener(std::in_place);
    ASSERT_NE(listener->port(), 0);
    ASSERT_TRUE(listener->stalls()) << "the listener's queue did not fill";

    const auto started = std::chrono::steady_clock::now();
    auto answered = std::async(std::launch::async, platform::loopbackPortAnswers, listener->port());
    answered.wait_for(3s);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    // Closing the listener makes a probe that still waits end with a refusal.
    listener.reset();
    EXPECT_LT(took.count(), 1500) << "milliseconds the probe waited";
    EXPECT_FALSE(answered.get()) << "a listener that never accepts does not answer";
}

}  // namespace
