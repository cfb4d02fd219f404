#include "thumbs/new_video_watch.h"

#include <system_error>

namespace fs = std::filesystem;

NewVideoWatch::NewVideoWatch(const std::vector<fs::path>& known) : known(known.begin(), known.end()) {}

std::vector<fs::path> NewVideoWatch::settled(const std::vector<fs::path>& scan) {
    std::map<fs::path, Look> nowSeen;
    std::vector<fs::path> ready;
    for (const fs::path& video : scan) {
        if (known.count(video)) continue;
        std::error_code error;
        const Look look{fs::file_size(video, error), fs::last_write_time(video, error)};
        if (error) continue;  // gone again, or not readable: looked at next time
        const auto before = seen.find(video);
        if (before != seen.end() && before->second == look) {
            known.insert(video);
            ready.push_back(video);
        } else {
            nowSeen.emplace(video, look);
        }
    }
    // A video that went away before it settled is forgotten.
    seen = std::move(nowSeen);
    return ready;
}
