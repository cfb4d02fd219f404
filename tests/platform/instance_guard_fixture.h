#pragma once
// The single-instance guard is taken by separate probe processes, never by a
// test program, so that every case starts with no holder and nothing
// outlives the test. Each case starts with no lock file in the test's own
// runtime folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/paths.h"

class InstanceGuardTest : public testing::Test {
protected:
    void SetUp() override {
        const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
        ASSERT_NE(runtimeDir, nullptr) << "run through ctest, which gives the test its own runtime directory";
        runtimeDir_ = runtimeDir;
        std::filesystem::create_directories(runtimeDir_);
        std::filesystem::remove_all(lockFile());
    }
    void TearDown() override { std::filesystem::remove_all(lockFile()); }

    std::filesystem::path lockFile() const { return runtimeDir_ / "VomraServer.lock"; }

    // Runs the probe with `arguments` and tells whether it got what it expected.
    // `environment`, when given, is a command that runs the probe with a changed environment.
    static bool probe(const std::string& arguments, const std::string& environment = "") {
        const std::string command = environment + "\"" + VOMRA_INSTANCE_PROBE + "\" " + arguments;
        return std::system(command.c_str()) == 0;
    }

    std::filesystem::path runtimeDir_;
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
