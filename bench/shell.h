#pragma once
// Running the outside tools of the benchmark through the shell.
#include <chrono>
#include <filesystem>
#include <string>

// The path in single quotes, safe as one shell word.
std::string shellWord(const std::filesystem::path& path);

// Runs the command line; throws std::runtime_error when it fails.
void runShell(const std::string& command);

// Wall-clock seconds that `work` takes.
template <typename Work>
double secondsOf(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
