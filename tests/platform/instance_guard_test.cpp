// The guard is taken by separate probe processes, never by this test program,
// so that every case starts with no holder and nothing outlives the test.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

#include "platform/instance_guard.h"
#include "tests/platform/instance_guard_fixture.h"

namespace fs = std::filesystem;

namespace {

TEST_F(InstanceGuardTest, SecondProcessIsRefusedWhileTheFirstRuns) {
    EXPECT_TRUE(probe("hold expect already-running"));
}

TEST_F(InstanceGuardTest, StartsAgainAfterTheFirstEnded) {
    ASSERT_TRUE(probe("hold expect already-running"));
    EXPECT_TRUE(probe("expect first"));
}

TEST_F(LockFileGuardTest, ALeftoverLockFileDoesNotBlock) {
    std::ofstream(lockFile()) << "left by a crashed run";
    EXPECT_TRUE(probe("expect first"));
}

TEST_F(LockFileGuardTest, ProgramsStartedByTheHolderDoNotInheritIt) {
    EXPECT_TRUE(probe("hold no-descriptor-for " + lockFile().string()));
}

TEST_F(LockFileGuardTest, UnusableLockFileLetsStartUpGoOn) {
    fs::create_directory(lockFile());
    EXPECT_TRUE(probe("expect unavailable"));
}

// Each later copy's request reaches the listening copy, and nothing answers
// once the listener is gone. Requests that arrive together may be heard as
// one (a Windows event holds no count), which is all a window needs to be
// shown, so each request here waits until the one before it was heard.
TEST(InstanceSignalTest, RequestsReachTheListenerWhileItLives) {
    const std::wstring name = L"VomraSignalTest" + std::to_wstring(std::random_device{}());
    EXPECT_FALSE(platform::signalRunningInstance(name)) << "a request with nobody listening was delivered";
    std::atomic<int> heard{0};
    const auto waitUntilHeard = [&heard](int count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (heard < count && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return heard.load();
    };
    {
        platform::InstanceSignalListener listener(name, [&heard] { ++heard; });
        ASSERT_TRUE(listener.listening());
        EXPECT_TRUE(platform::signalRunningInstance(name));
        EXPECT_EQ(waitUntilHeard(1), 1);
        EXPECT_TRUE(platform::signalRunningInstance(name));
        EXPECT_EQ(waitUntilHeard(2), 2);
    }
    EXPECT_FALSE(platform::signalRunningInstance(name));
    EXPECT_EQ(heard, 2);
}

}  // namespace
