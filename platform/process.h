#pragma once
// Running another program from an argument list. No shell or command
// interpreter stands in between, so every argument reaches the program as it
// stands, whatever characters it holds.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace platform {

struct ProgramRun {
    bool started = false;  // false: the program could not be run (missing, not executable)
    int exitCode = -1;     // its exit status; on POSIX 128 + the signal's number when a signal ended it
};

// Runs `program` with `arguments` (UTF-8), hands it `standardInput` through a
// pipe that is closed once all of it is written, and waits for it to end. A
// bare name, without a folder, is looked up on the search path. On POSIX the
// program starts with every signal at its default action and none blocked,
// holds no open file of this program but the standard output and error it
// shares with it; on Windows it runs without a window and its output goes
// nowhere.
ProgramRun runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                      const std::string& standardInput = {});

// What a sequence runs its programs through: runProgram in the program, a
// stand-in in tests.
using ProgramRunner = std::function<ProgramRun(
    const std::filesystem::path& program, const std::vector<std::string>& arguments, const std::string& standardInput)>;

}  // namespace platform
