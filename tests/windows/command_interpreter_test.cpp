// runShellCommand through the real C:\Windows\System32\cmd.exe (Wine's): what
// the command lines rely on from the interpreter.
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "helpers/test_folder.h"
#include "helpers/wine_version.h"
#include "platform/process.h"
#include "share/command_runner.h"

namespace fs = std::filesystem;

namespace {

class CommandInterpreter : public testing::Test {
protected:
    CommandInterpreter()
        : folder_(L"command interpreter"),
          programDir_(folder_.path() / L"程序 目录"),
          program_(TestFolder::placeProgram(recordingStandIn(), programDir_, L"recorder.exe")) {}

    // The line, run from the program's directory.
    void runThere(const std::string& line) { runShellCommand("cd /d \"" + utf8Of(programDir_) + "\" && " + line); }
    std::vector<CallRecord> calls() const { return readCallRecords(callsFileOf(program_)); }

    TestFolder folder_;
    fs::path programDir_;
    fs::path program_;
};

TEST_F(CommandInterpreter, WaitsUntilTheLineHasEnded) {
    runThere("recorder.exe --linger-ms 1000");
    EXPECT_EQ(calls().size(), 1u) << "the program had not ended when runShellCommand returned";
}

TEST_F(CommandInterpreter, AnEmptyLineEndsAtOnce) {
    runShellCommand("");
    SUCCEED();
}

TEST_F(CommandInterpreter, AndRunsTheRightSideOnlyAfterSuccess) {
    const int wine = wineMajorVersion();
    if (wine != 0 && wine < 9) GTEST_SKIP() << "the cmd.exe of Wine " << wine << " runs both sides of &&";
    runThere("recorder.exe --exit-code 3 && recorder.exe after-failure");
    runThere("recorder.exe --exit-code 0 && recorder.exe after-success");

    const std::vector<CallRecord> recorded = calls();
    ASSERT_EQ(recorded.size(), 3u);
    EXPECT_EQ(recorded[2].arguments, std::vector<std::string>{"after-success"});
}

TEST_F(CommandInterpreter, StartLaunchesInTheCurrentDirectoryAndReturnsAtOnce) {
    runThere("start recorder.exe --linger-ms 3000");
    EXPECT_TRUE(calls().empty()) << "runShellCommand waited for the started program";

    const std::vector<CallRecord> recorded = waitForCalls(program_, 1);
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[0].workingDirectory, utf8Of(programDir_));
}

TEST_F(CommandInterpreter, ChineseTextArrivesAsTyped) {
    runThere("recorder.exe 电影 \"新建 文件夹\" 密码");

    const std::vector<CallRecord> recorded = calls();
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[0].arguments, (std::vector<std::string>{"电影", "新建 文件夹", "密码"}));
    EXPECT_EQ(recorded[0].workingDirectory, utf8Of(programDir_));
}

// The browser launch goes through the C runtime's system(), in its wide form.
TEST_F(CommandInterpreter, SystemCommandCarriesChineseTextToo) {
    platform::runSystemCommand("cd /d \"" + utf8Of(programDir_) + "\" && recorder.exe http://192.168.1.10:8080/电影");

    const std::vector<CallRecord> recorded = calls();
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[0].arguments, std::vector<std::string>{"http://192.168.1.10:8080/电影"});
}

}  // namespace
