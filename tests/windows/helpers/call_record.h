#pragma once
// How a stand-in program was called: its working directory, its arguments
// and, where it read it, its standard input, as UTF-8. The stand-ins append one record per call to "<program>.calls";
// the tests read them back.
#include <filesystem>
#include <string>
#include <vector>

struct CallRecord {
    std::string workingDirectory;
    std::vector<std::string> arguments;
    std::string standardInput;  // line by line: a last line reads back with its line feed
};

// The file beside `program` that its calls are recorded in.
std::filesystem::path callsFileOf(const std::filesystem::path& program);

// Appends `call` to `file` in one write, so a reader never sees half a record.
void appendCallRecord(const std::filesystem::path& file, const CallRecord& call);

// Every complete record in `file`, oldest first; none when it does not exist.
std::vector<CallRecord> readCallRecords(const std::filesystem::path& file);

// A stand-in's standard input, its bytes as they came, up to its end.
std::string wholeStandardInput();
