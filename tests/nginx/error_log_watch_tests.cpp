#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "nginx/error_log_watch.h"

namespace fs = std::filesystem;

class ErrorLogWatchTest : public ::testing::Test {
protected:
    void SetUp() override { fs::remove(log); }
    void TearDown() override { fs::remove(log); }
    void append(const std::string& text) { std::ofstream(log, std::ios::app | std::ios::binary) << text; }

    fs::path log = fs::temp_directory_path() / "vomra-error-log-watch.log";
};

TEST_F(ErrorLogWatchTest, ReportsOnlyLinesWrittenAfterTheMark) {
    append("old [emerg] line\n");
    const ErrorLogWatch watch(log);
    EXPECT_TRUE(watch.newLines().empty());
    append("first\r\n\nsecond");
    EXPECT_EQ(watch.newLines(), (std::vector<std::string>{"first", "second"}));
}

TEST_F(ErrorLogWatchTest, AMissingLogIsEmptyUntilWritten) {
    const ErrorLogWatch watch(log);
    EXPECT_TRUE(watch.newLines().empty());
    append("created\n");
    EXPECT_EQ(watch.newLines(), std::vector<std::string>{"created"});
}

TEST_F(ErrorLogWatchTest, AReplacedShorterLogIsReadFromItsStart) {
    append("a long line that was there before the watch\n");
    const ErrorLogWatch watch(log);
    fs::remove(log);
    append("new\n");
    EXPECT_EQ(watch.newLines(), std::vector<std::string>{"new"});
}

// A request's failure ([error], a missing file) says nothing about why the
// server ended; the last line that says it could not go on does.
TEST(LastSevereLine, TakesTheLastLineThatEndsTheServerNotAFailedRequest) {
    EXPECT_EQ(lastSevereLine({"a [emerg] first", "b [alert] second", "c [error] open() failed (2: No such file)"}),
              "b [alert] second");
    EXPECT_EQ(lastSevereLine({"[crit] x", "[warn] y"}), "[crit] x");
    EXPECT_EQ(lastSevereLine({"[error] open() failed", "[warn] z"}), "");
    EXPECT_EQ(lastSevereLine({}), "");
}
