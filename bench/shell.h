#pragma once
// Running the outside tools of the benchmark through the shell.
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

// The path in single quotes, safe as one shell word.
std::string shellWord(const std::filesystem::path& path);

// Runs the command line; throws std::runtime_error when it fails.
void runShell(const std::string& command);

// The blank-separated words of a text.
std::vector<std::string> words(const std::string& text);

// Writes `commands` to `argumentFile` and returns the shell command that runs
// `program` once per command, two processes at a time, through GNU xargs. The
// file holds one argument a line and xargs splits it at line ends only, so an
// argument may hold blanks and quotes (no line break). Every command must
// have as many arguments as the first.
std::string twoAtATime(const std::string& program, const std::vector<std::vector<std::string>>& commands,
                       const std::filesystem::path& argumentFile);

// Wall-clock seconds that `work` takes.
template <typename Work>
double secondsOf(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
