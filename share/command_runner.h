#pragma once
#include <functional>
#include <string>

// Runs one command line through the command interpreter, hidden, and waits
// for the interpreter to end. No result reaches the caller.
void runShellCommand(const std::string& commandLine);

// What the start and stop sequences run their lines through: runShellCommand
// in the program, a recorder in tests.
using CommandRunner = std::function<void(const std::string& commandLine)>;
