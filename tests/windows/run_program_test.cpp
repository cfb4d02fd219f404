// runProgram on Windows, through the real CreateProcessW and C runtime
// (Wine's): every argument reaches the program as it stands, the input too,
// and its end is reported. The command line's quoting is checked against
// CommandLineToArgvW as well.
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>
#include <shellapi.h>

#include "helpers/test_folder.h"
#include "platform/process.h"
#include "platform/text_codec.h"
#include "platform/win32/command_line_win32.h"

namespace fs = std::filesystem;
using Arguments = std::vector<std::string>;

namespace {

// What cmd.exe or a shell would read specially, the C runtime's own escapes,
// and text beyond ASCII, each as one argument.
const Arguments kAwkwardArguments = {
    "two words", "say \"hi\"", "back\\slash", "trailing\\",  "trailing two\\\\", "\\\"", "\\\\\"x",   "50%off",
    "%PATH%",    "it's",       "$HOME",       "a&b|c<d>e^f", "中文 参数",        "",     "tab\there", "-"};

class RunProgram : public testing::Test {
protected:
    RunProgram()
        : folder_(L"run program"),
          program_(TestFolder::placeProgram(recordingStandIn(), folder_.path() / L"程序 (x86)", L"recorder.exe")) {
        _putenv("VOMRA_STAND_IN_READS_INPUT=1");
    }
    ~RunProgram() override { _putenv("VOMRA_STAND_IN_READS_INPUT="); }

    std::vector<CallRecord> calls() const { return readCallRecords(callsFileOf(program_)); }

    TestFolder folder_;
    fs::path program_;
};

TEST_F(RunProgram, PassesEveryArgumentAndTheInputAsTheyStand) {
    const platform::ProgramRun run = platform::runProgram(program_, kAwkwardArguments, "密码 \"50%\" $x\nsecond\n");

    EXPECT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0);
    const std::vector<CallRecord> recorded = calls();
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[0].arguments, kAwkwardArguments);
    EXPECT_EQ(recorded[0].standardInput, "密码 \"50%\" $x\nsecond\n");
}

TEST_F(RunProgram, WaitsForTheEndAndReportsTheExitStatus) {
    const platform::ProgramRun run = platform::runProgram(program_, {"--exit-code", "7"});
    EXPECT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 7);

    platform::runProgram(program_, {"--linger-ms", "1000"});
    EXPECT_EQ(calls().size(), 2u) << "the program had not ended when runProgram returned";
}

TEST_F(RunProgram, FindsABareNameOnTheSearchPath) {
    const platform::ProgramRun run = platform::runProgram("cmd", {"/c", "exit 3"});
    EXPECT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 3);
}

TEST_F(RunProgram, AMissingProgramIsNotStarted) {
    EXPECT_FALSE(platform::runProgram(folder_.path() / L"missing.exe", {"x"}, "input").started);
    EXPECT_FALSE(platform::runProgram("vomra-no-such-program", {}).started);
}

// The shell's own reading of a command line, which some programs use instead
// of the C runtime's.
TEST(CommandLine, CommandLineToArgvWReadsBackEveryArgument) {
    const fs::path program = L"C:\\Program Files\\程序\\x.exe";
    const std::wstring line = platform::commandLineOf(program, kAwkwardArguments);
    int count = 0;
    wchar_t** words = CommandLineToArgvW(line.c_str(), &count);
    ASSERT_NE(words, nullptr);
    Arguments read;
    for (int i = 1; i < count; ++i) read.push_back(platform::wideToUtf8(words[i]));
    const std::wstring first = words[0];
    LocalFree(words);
    EXPECT_EQ(first, program.wstring());
    EXPECT_EQ(read, kAwkwardArguments);
}

}  // namespace
