#pragma once
// What nginx wrote to its error log since a given moment.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class ErrorLogWatch {
public:
    // Marks the log's current end; a missing log counts as empty.
    explicit ErrorLogWatch(std::filesystem::path logFile);

    // The non-empty lines written after the mark. A log that shrank (it was
    // replaced) is read from its start.
    std::vector<std::string> newLines() const;

private:
    std::filesystem::path m_logFile;
    std::uintmax_t m_mark;
};

// The last of `lines` that says the server could not go on ([emerg], [alert]
// or [crit]), rather than that one request failed; empty when none does.
std::string lastSevereLine(const std::vector<std::string>& lines);
