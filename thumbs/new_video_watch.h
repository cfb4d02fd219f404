#pragma once
// Finding the videos that appear in the shared folder while the pool runs.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <vector>

// Tells which of a scan's videos are new and no longer being written: a
// video counts once its size and modification time are the same at two
// scans in a row. Videos it was told about at the start, or handed out
// before, are never handed out again.
class NewVideoWatch {
public:
    explicit NewVideoWatch(const std::vector<std::filesystem::path>& known);

    // The videos of `scan` that have come to rest since the last call.
    std::vector<std::filesystem::path> settled(const std::vector<std::filesystem::path>& scan);

private:
    struct Look {
        std::uintmax_t size;
        std::filesystem::file_time_type modified;
        bool operator==(const Look&) const = default;
    };
    std::set<std::filesystem::path> known;
    std::map<std::filesystem::path, Look> seen;  // new videos still settling
};
