#pragma once
// Finding the videos that appear in the shared folder while the pool runs,
// and those that change after their still failed.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <vector>

// A file's size and modification time: what changes while it is written.
struct FileLook {
    std::uintmax_t size;
    std::filesystem::file_time_type modified;
    bool operator==(const FileLook&) const = default;
};

// Nullopt when the file is gone or cannot be looked at.
std::optional<FileLook> lookOf(const std::filesystem::path& file);

// Tells which of a scan's videos are new and no longer being written: a
// video counts once its size and modification time are the same at two
// scans in a row. Videos it was told about at the start, or handed out
// before, are handed out again only after their still failed and they
// changed (a copy that paused for longer than a scan, then went on).
class NewVideoWatch {
public:
    explicit NewVideoWatch(const std::vector<std::filesystem::path>& known);

    // `video`, handed out before, got no still when it looked as `look`:
    // once it looks different, it is new again.
    void retryWhenChanged(const std::filesystem::path& video, const FileLook& look);

    // Whether `video` was known at the start or handed out since, and has not
    // changed after its still failed: whether it may have a still.
    bool knows(const std::filesystem::path& video) const { return known.count(video) > 0; }

    // The videos of `scan` that have come to rest since the last call.
    std::vector<std::filesystem::path> settled(const std::vector<std::filesystem::path>& scan);

private:
    // A failed video that has changed since is no longer known, so that it
    // settles as a new one.
    void renewIfChanged(const std::filesystem::path& video);

    std::set<std::filesystem::path> known;
    std::map<std::filesystem::path, FileLook> seen;    // new videos still settling
    std::map<std::filesystem::path, FileLook> failed;  // known videos waiting for a change
};
