#include "thumbs/new_video_watch.h"

#include <system_error>

namespace fs = std::filesystem;

std::optional<FileLook> lookOf(const fs::path& file) {
    std::error_code error;
    const FileLook look{fs::file_size(file, error), fs::last_write_time(file, error)};
    if (error) return std::nullopt;
    return look;
}

NewVideoWatch::NewVideoWatch(const std::vector<fs::path>& known) : known(known.begin(), known.end()) {}

void NewVideoWatch::retryWhenChanged(const fs::path& video, const FileLook& look) {
    failed.insert_or_assign(video, look);
}

void NewVideoWatch::renewIfChanged(const fs::path& video) {
    const auto failure = failed.find(video);
    if (failure == failed.end()) return;
    const std::optional<FileLook> look = lookOf(video);
    if (!look || *look == failure->second) return;
    failed.erase(failure);
    known.erase(video);
}

std::vector<fs::path> NewVideoWatch::settled(const std::vector<fs::path>& scan) {
    std::map<fs::path, FileLook> nowSeen;
    std::vector<fs::path> ready;
    for (const fs::path& video : scan) {
        renewIfChanged(video);
        if (known.count(video)) continue;
        const std::optional<FileLook> look = lookOf(video);
        if (!look) continue;  // gone again, or not readable: looked at next time
        const auto before = seen.find(video);
        if (before != seen.end() && before->second == *look) {
            known.insert(video);
            ready.push_back(video);
        } else {
            nowSeen.emplace(video, *look);
        }
    }
    // A video that went away before it settled is forgotten.
    seen = std::move(nowSeen);
    return ready;
}
