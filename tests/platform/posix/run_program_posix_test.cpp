// runProgram on POSIX: arguments and standard input reach the program exactly,
// its end is reported, and it starts clean of the caller's signal state and
// open files.
#include "platform/process.h"

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include "tests/common/recording_script.h"
#include "tests/common/test_folder.h"

namespace {

// What a shell would read specially, quoting rules of other systems, and text
// beyond ASCII, each as one argument.
const std::vector<std::string> kAwkwardArguments = {
    "two words", "say \"hi\"", "back\\slash", "trailing\\", "trailing two\\\\", "\\\"", "50%off", "%PATH%",
    "it's",      "$HOME",      "`id`",        "a;b|c&d",    "中文 参数",        "",     "-"};

// The C library keeps signals 32 and 33 for its threads and hands them on
// ignored; a program that uses threads sets them up anew.
constexpr unsigned long long kLibraryInternalSignals = 3ULL << 31;

// One of the signal sets /proc/<pid>/status shows, as a bit mask.
unsigned long long signalSet(const std::string& status, const std::string& name) {
    const std::size_t at = status.find(name);
    return at == std::string::npos ? ~0ULL : std::stoull(status.substr(at + name.size()), nullptr, 16);
}

class RunProgram : public ::testing::Test {
protected:
    TestFolder folder_{"run program 'q' \"d\""};
    std::filesystem::path script_ = folder_ / "recorder";
};

TEST_F(RunProgram, PassesEveryArgumentAndTheInputAsTheyStand) {
    writeRecordingScript(script_);
    const platform::ProgramRun run = platform::runProgram(script_, kAwkwardArguments, "密码 \"50%\" $x\nsecond line");

    EXPECT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(recordedArguments(script_), kAwkwardArguments);
    EXPECT_EQ(recordedInput(script_), "密码 \"50%\" $x\nsecond line");
}

TEST_F(RunProgram, HandsOverALargeInputWholeAndAnEmptyOneAsAnEndAtOnce) {
    writeRecordingScript(script_);
    std::string large;
    for (int i = 0; i < (1 << 22); ++i) large += static_cast<char>(i * 7 % 256);
    platform::runProgram(script_, {}, large);
    EXPECT_EQ(recordedInput(script_), large);

    platform::runProgram(script_, {});
    EXPECT_EQ(recordedInput(script_), "");
}

// The program has ended when runProgram returns; its status is reported, a
// signal's as 128 + its number, as a shell reports it.
TEST_F(RunProgram, ReportsTheExitStatus) {
    writeRecordingScript(script_, 7, "/bin/sleep 0.3");
    const platform::ProgramRun run = platform::runProgram(script_, {});
    EXPECT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 7);

    const platform::ProgramRun killed = platform::runProgram("/bin/sh", {"-c", "kill -TERM $$"});
    EXPECT_TRUE(killed.started);
    EXPECT_EQ(killed.exitCode, 128 + SIGTERM);
}

TEST_F(RunProgram, FindsABareNameOnTheSearchPath) {
    const platform::ProgramRun run = platform::runProgram("sh", {"-c", "exit 3"});
    EXPECT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 3);
}

TEST_F(RunProgram, AMissingOrUnrunnableProgramIsNotStarted) {
    writeFile(folder_ / "not executable", "#!/bin/sh\nexit 0\n");
    for (const std::filesystem::path& program :
         {folder_ / "missing", folder_ / "not executable", std::filesystem::path("vomra-no-such-program")}) {
        const platform::ProgramRun run = platform::runProgram(program, {"x"}, "input");
        EXPECT_FALSE(run.started) << program;
    }
}

// A program that ends without reading breaks the pipe: the write ends there,
// and no SIGPIPE ends the caller.
TEST_F(RunProgram, AProgramThatReadsNothingTakesNoHarm) {
    const platform::ProgramRun run = platform::runProgram("/bin/true", {}, std::string(1 << 22, 'x'));
    EXPECT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0);
}

// Blocked and ignored signals would be passed on through exec; a descriptor
// of the caller's would be held open by a server the program leaves running.
TEST_F(RunProgram, StartsWithDefaultSignalsAndNoneOfTheCallersFiles) {
    writeRecordingScript(script_, 0,
                         // The shell's builtins only: a shell that forks blocks every
                         // signal for a moment, which a child reading its status would see.
                         "while read -r line; do case $line in SigBlk*|SigIgn*) echo \"$line\";; esac; done"
                         " < /proc/$$/status > \"$0.signals\"\n"
                         "/bin/ls -l /proc/$$/fd > \"$0.fds\"");
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    const auto previousUsr2 = std::signal(SIGUSR2, SIG_IGN);
    const int held = ::open((folder_ / "held open").c_str(), O_CREAT | O_WRONLY, 0600);

    platform::runProgram(script_, {});

    ::close(held);
    std::signal(SIGUSR2, previousUsr2);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    const std::string signals = readFile(folder_ / "recorder.signals");
    EXPECT_EQ(signalSet(signals, "SigBlk:"), 0u) << signals;
    EXPECT_EQ(signalSet(signals, "SigIgn:") & ~kLibraryInternalSignals, 0u) << signals;
    const std::string descriptors = readFile(folder_ / "recorder.fds");
    ASSERT_FALSE(descriptors.empty());
    EXPECT_EQ(descriptors.find("held open"), std::string::npos) << descriptors;
}

}  // namespace
