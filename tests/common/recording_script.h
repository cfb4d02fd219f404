#pragma once
// A shell script that stands in for a program on POSIX: it records the
// arguments it was called with and what it read on its standard input, beside
// itself, and ends with a given status. It names the programs it runs by
// their full paths, so it works with any search path.
#include <filesystem>
#include <string>
#include <vector>

#include "tests/common/test_folder.h"

// Writes the script to `path`: "<path>.args" gets each argument followed by
// a NUL, "<path>.stdin" its whole standard input. `more` runs after that.
inline void writeRecordingScript(const std::filesystem::path& path, int exitStatus = 0, const std::string& more = "") {
    writeFile(path,
              "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$0.args\"\n"
              "/bin/cat > \"$0.stdin\"\n" +
                  more + "\nexit " + std::to_string(exitStatus) + "\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

// The arguments the script recorded; none when it never ran.
inline std::vector<std::string> recordedArguments(const std::filesystem::path& script) {
    std::vector<std::string> arguments;
    const std::string text = readFile(std::filesystem::path(script) += ".args");
    for (std::size_t start = 0, end; (end = text.find('\0', start)) != std::string::npos; start = end + 1)
        arguments.push_back(text.substr(start, end - start));
    return arguments;
}

inline std::string recordedInput(const std::filesystem::path& script) {
    return readFile(std::filesystem::path(script) += ".stdin");
}

inline bool scriptRan(const std::filesystem::path& script) {
    return std::filesystem::exists(std::filesystem::path(script) += ".args");
}
