#pragma once
// What a shell command prints, run through the program's own runner.
#include <string>

#include "tests/common/test_folder.h"
#include "share/command_runner.h"
#include "share/sh_quote.h"

// The command's standard output without its final line feed; `scratch` holds
// the file it is caught in.
inline std::string shellOutput(const std::string& command, const TestFolder& scratch) {
    const std::filesystem::path caught = scratch / "shell-output";
    runShellCommand("{ " + command + "; } > " + shQuote(utf8Of(caught)));
    std::string output = readFile(caught);
    if (output.ends_with('\n')) output.pop_back();
    return output;
}
