#include "helpers/call_record.h"

#include <fstream>
#include <sstream>

// One record: "call", "cwd <dir>", one "arg <text>" per argument, "end",
// each on a line of its own. Values never hold a line feed here.
namespace {

const std::string kCwd = "cwd ";
const std::string kArg = "arg ";

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
        } else if (line == "end") {
            records.push_back(current);
        }
    }
    return records;
}
