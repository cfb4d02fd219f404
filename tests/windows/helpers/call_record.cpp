#include "helpers/call_record.h"

#include <fstream>
#include <sstream>
#include <windows.h>

// One record: "call", "cwd <dir>", one "arg <text>" per argument, one
// "in <line>" per line of input, "end", each on a line of its own. Arguments
// never hold a line feed here.
namespace {

const std::string kCwd = "cwd ";
const std::string kArg = "arg ";
const std::string kIn = "in ";

bool startsWith(const std::string& line, const std::string& prefix) {
    return line.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::filesystem::path callsFileOf(const std::filesystem::path& program) {
    std::filesystem::path file = program;
    file += ".calls";
    return file;
}

void appendCallRecord(const std::filesystem::path& file, const CallRecord& call) {
    std::string text = "call\n" + kCwd + call.workingDirectory + "\n";
    for (const std::string& argument : call.arguments) text += kArg + argument + "\n";
    std::istringstream input(call.standardInput);
    for (std::string line; std::getline(input, line);) text += kIn + line + "\n";
    text += "end\n";
    std::ofstream(file, std::ios::binary | std::ios::app) << text;
}

std::vector<CallRecord> readCallRecords(const std::filesystem::path& file) {
    std::vector<CallRecord> records;
    std::ifstream in(file, std::ios::binary);
    CallRecord current;
    for (std::string line; std::getline(in, line);) {
        if (line == "call") {
            current = {};
        } else if (startsWith(line, kCwd)) {
            current.workingDirectory = line.substr(kCwd.size());
        } else if (startsWith(line, kArg)) {
            current.arguments.push_back(line.substr(kArg.size()));
        } else if (startsWith(line, kIn)) {
            current.standardInput += line.substr(kIn.size()) + "\n";
        } else if (line == "end") {
            records.push_back(current);
        }
    }
    return records;
}

std::string wholeStandardInput() {
    std::string input;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &got, nullptr) && got > 0)
        input.append(buffer, got);
    return input;
}
