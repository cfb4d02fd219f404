#pragma once
// How a stand-in program was called: its working directory and arguments,
// as UTF-8. The stand-ins append one record per call to "<program>.calls";
// the tests read them back.
#include <filesystem>
#include <string>
#include <vector>

struct CallRecord {
    std::string workingDirectory;
    std::vector<std::string> arguments;
};

// The file beside `program` that its calls are recorded in.
std::filesystem::path callsFileOf(const std::filesystem::path& program);

// Appends `call` to `file` in one write, so a reader never sees half a record.
void appendCallRecord(const std::filesystem::path& file, const CallRecord& call);

// Every complete record in `file`, oldest first; none when it does not exist.
std::vector<CallRecord> readCallRecords(const std::filesystem::path& file);
