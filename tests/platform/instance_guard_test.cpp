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
#include "platform/paths.h"

namespace fs = std::filesystem;

namespace {

class InstanceGuardTest : public testing::Test {
protected:
    void SetUp() override {
        const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
        ASSERT_NE(runtimeDir, nullptr) << "run through ctest, which gives the test its own runtime directory";
        runtimeDir_ = runtimeDir;
        fs::create_directories(runtimeDir_);
        fs::remove_all(lockFile());
    }
    void TearDown() override { fs::remove_all(lockFile()); }

    fs::path lockFile() const { return runtimeDir_ / "VomraServer.lock"; }

    // Runs the probe with `arguments` and tells whether it got what it expected.
    static bool probe(const std::string& arguments) {
        const std::string command = std::string("\"") + VOMRA_INSTANCE_PROBE + "\" " + arguments;
        return std::system(command.c_str()) == 0;
    }

    fs::path runtimeDir_;
};

// The cases about the lock file itself apply where the guard is one. A skip
// in SetUp keeps the test body from running at all.
class LockFileGuardTest : public InstanceGuardTest {
protected:
    void SetUp() override {
        if (platform::kPathSeparator != L'/') GTEST_SKIP() << "the guard is a named mutex here";
        InstanceGuardTest::SetUp();
    }
};

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
