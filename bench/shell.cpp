#include "shell.h"

#include <cstdlib>
#include <stdexcept>

std::string shellWord(const std::filesystem::path& path) {
    std::string word = "'";
    for (char c : path.string())
        word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

void runShell(const std::string& command) {
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("command failed: " + command);
}
