#pragma once
// Running command lines through the platform's command interpreter.
#include <string>

namespace platform {

enum class ShellDialect { WindowsCmd, PosixSh };

#ifdef _WIN32
inline constexpr ShellDialect kNativeShellDialect = ShellDialect::WindowsCmd;
#else
inline constexpr ShellDialect kNativeShellDialect = ShellDialect::PosixSh;
#endif

// Runs one command line through the interpreter (cmd.exe /C, or /bin/sh -c)
// with no window and waits for the interpreter to end. No result is reported.
void runCommandInterpreter(const std::string& commandLine);

// The C library's system(): used only to open a URL in the browser.
void runSystemCommand(const std::string& commandLine);

}  // namespace platform
