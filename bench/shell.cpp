#include "shell.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

std::string shellWord(const std::filesystem::path& path) {
    std::string word = "'";
    for (char c : path.string()) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

void runShell(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("command failed: " + command);
}

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

std::string twoAtATime(const std::string& program, const std::vector<std::vector<std::string>>& commands,
                       const std::filesystem::path& argumentFile) {
    std::ofstream arguments(argumentFile);
    for (const std::vector<std::string>& command : commands)
        for (const std::string& argument : command) arguments << argument << "\n";
    return "xargs -d '\\n' -P 2 -n " + std::to_string(commands.at(0).size()) + " " + program + " < " +
           shellWord(argumentFile);
}
