#pragma once
// Closed directories for the tests of failures to read one. Permissions do
// not hold back root, so a test run as root runs itself once more, in a
// child process, as the user "nobody", where they do.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

#include "platform/paths.h"

// Takes every permission from a directory for as long as it lives.
class LockedDirectory {
public:
    explicit LockedDirectory(std::filesystem::path directory) : directory_(std::move(directory)) {
        std::filesystem::permissions(directory_, std::filesystem::perms::none);
    }
    ~LockedDirectory() {
        std::error_code ignored;
        std::filesystem::permissions(directory_, std::filesystem::perms::owner_all, ignored);
    }
    LockedDirectory(const LockedDirectory&) = delete;
    LockedDirectory& operator=(const LockedDirectory&) = delete;

    // False where the permissions do not hold back this process (root).
    bool holdsBack() const {
        std::error_code error;
        std::filesystem::directory_iterator listing(directory_, error);
        return static_cast<bool>(error);
    }

private:
    std::filesystem::path directory_;
};

inline constexpr const char* kUnprivilegedRun = "VOMRA_UNPRIVILEGED_RUN";

// Runs the current test again as "nobody" and takes its outcome; skips when
// no other user can run it here.
inline void runThisTestAsNobody() {
    ASSERT_EQ(std::getenv(kUnprivilegedRun), nullptr) << "the child still passes every permission check";
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string self = platform::utf8FromPath(platform::executablePath());
    const std::string asNobody =
        std::string("env ") + kUnprivilegedRun + "=1 setpriv --reuid=65534 --regid=65534 --clear-groups ";
    if (std::system((asNobody + "test -x '" + self + "'").c_str()) != 0)
        GTEST_SKIP() << "the directory stays open and no other user can run the test here";
    const std::string filter = std::string(test->test_suite_name()) + "." + test->name();
    EXPECT_EQ(std::system((asNobody + "'" + self + "' --gtest_filter=" + filter).c_str()), 0);
}
