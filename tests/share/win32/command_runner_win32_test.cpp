// The runner against cmd.exe.
#include <gtest/gtest.h>

#include "tests/common/test_folder.h"
#include "share/command_runner.h"

namespace {

class CmdCommandRunner : public ::testing::Test {
protected:
    std::string quoted(const std::string& name) const { return "\"" + utf8Of(folder_ / name) + "\""; }

    TestFolder folder_{"cmd-runner"};
};

TEST_F(CmdCommandRunner, ReturnsOnlyWhenTheLineHasEnded) {
    runShellCommand("echo done> " + quoted("out"));
    EXPECT_EQ(readFile(folder_ / "out"), "done\r\n");
}

TEST_F(CmdCommandRunner, RunsInTheCallersWorkingDirectory) {
    runShellCommand("cd> " + quoted("cwd"));
    EXPECT_EQ(readFile(folder_ / "cwd"), utf8Of(std::filesystem::current_path()) + "\r\n");
}

TEST_F(CmdCommandRunner, IgnoresExitCodesAndEmptyLines) {
    runShellCommand("exit 7");
    runShellCommand("");
    runShellCommand("no-such-program-anywhere");
    runShellCommand("echo still running> " + quoted("out"));
    EXPECT_EQ(readFile(folder_ / "out"), "still running\r\n");
}

}  // namespace
