// The runner against the real /bin/sh; win32/ holds the cases for cmd.exe.
#include "share/command_runner.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/process.h"
#include "tests/common/test_folder.h"
#include "share/sh_quote.h"

namespace {

class CommandRunner : public ::testing::Test {
protected:
    void SetUp() override {
        if (platform::kNativeShellDialect != platform::ShellDialect::PosixSh) GTEST_SKIP() << "POSIX shell cases";
    }

    TestFolder folder_{"runner 电影"};
    std::string quoted(const std::string& name) const { return shQuote(utf8Of(folder_ / name)); }
};

TEST_F(CommandRunner, ReturnsOnlyWhenTheLineHasEnded) {
    runShellCommand("sleep 0.3; echo done > " + quoted("out"));
    EXPECT_EQ(readFile(folder_ / "out"), "done\n");
}

TEST_F(CommandRunner, AndRunsItsRightSideOnlyAfterSuccess) {
    runShellCommand("false && touch " + quoted("after-failure") + "; true && touch " + quoted("after-success"));
    EXPECT_FALSE(std::filesystem::exists(folder_ / "after-failure"));
    EXPECT_TRUE(std::filesystem::exists(folder_ / "after-success"));
}

TEST_F(CommandRunner, IgnoresExitCodesAndEmptyLines) {
    runShellCommand("exit 7");
    runShellCommand("");
    runShellCommand("/no/such/program");
    runShellCommand("echo still running > " + quoted("out"));
    EXPECT_EQ(readFile(folder_ / "out"), "still running\n");
}

TEST_F(CommandRunner, PassesNonAsciiBytesUnchanged) {
    const std::string text = "电影 \xE2\x82\xAC caf\xC3\xA9";
    runShellCommand("printf '%s' " + shQuote(text) + " > " + quoted("out"));
    EXPECT_EQ(readFile(folder_ / "out"), text);
}

// A line can carry a password: it must not show in the process list.
TEST_F(CommandRunner, KeepsTheLineOutOfTheProcessList) {
    runShellCommand(": secret-marker; tr '\\0' ' ' < /proc/$$/cmdline > " + quoted("cmdline"));
    const std::string arguments = readFile(folder_ / "cmdline");
    ASSERT_FALSE(arguments.empty());
    EXPECT_EQ(arguments.find("secret-marker"), std::string::npos) << arguments;
}

// The program's own descriptors (its instance lock, the display connection)
// must not live on in a server the line leaves running.
TEST_F(CommandRunner, KeepsTheProgramsOpenFilesToItself) {
    std::ofstream held(folder_ / "held-open");
    runShellCommand("ls -l /proc/$$/fd > " + quoted("fds"));
    const std::string descriptors = readFile(folder_ / "fds");
    ASSERT_FALSE(descriptors.empty());
    EXPECT_EQ(descriptors.find("held-open"), std::string::npos) << descriptors;
}

// Ends the background process whose pid the line wrote, whatever the test did.
struct BackgroundProcess {
    std::string pidFile;
    ~BackgroundProcess() { runShellCommand("kill -KILL $(cat " + shQuote(pidFile) + ") 2>/dev/null"); }
};

TEST_F(CommandRunner, ReturnsAtOnceFromABackgroundStart) {
    BackgroundProcess sleeper{utf8Of(folder_ / "pid")};
    runShellCommand("sleep 60 >/dev/null 2>&1 & echo $! > " + shQuote(sleeper.pidFile));
    runShellCommand("kill -0 $(cat " + shQuote(sleeper.pidFile) + ") && touch " + quoted("alive"));
    EXPECT_TRUE(std::filesystem::exists(folder_ / "alive")) << "the runner returned while the program runs on";
}

}  // namespace
