#include "playback/served_video.h"

#include <algorithm>

#include "platform/paths.h"
#include "playback/ascii_case.h"
#include "thumbs/video_discovery.h"

namespace {

std::vector<std::string> segmentsOf(const std::string& path) {
    std::vector<std::string> segments;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = path.find('/', start);
        segments.push_back(path.substr(start, end - start));
        if (end == std::string::npos) return segments;
        start = end + 1;
    }
}

// A name of the path: not empty, no dot first (hidden files, "." and ".."),
// and no backslash, which Windows would read as a separator.
bool isPlainName(const std::string& name) {
    return !name.empty() && name.front() != '.' && name.find('\\') == std::string::npos;
}

// The server directory and the settings file, in any case, as Windows file
// names are.
bool isProgramFile(const std::vector<std::string>& names) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string name = asciiLowerCase(names[i]);
        if (name == "vomra.data" || name == "vomra.data.tmp") return true;
        if (name == "server" && i > 0 && asciiLowerCase(names[i - 1]) == "vomrixserver") return true;
    }
    return false;
}

}  // namespace

// The denied paths are spelt with the system's separator.
bool isOnDeniedPath(const std::filesystem::path& relative, const std::vector<std::string>& deniedPaths) {
    const std::string spelt = platform::utf8FromPath(relative);
    const char separator = static_cast<char>(platform::kPathSeparator);
    return std::any_of(deniedPaths.begin(), deniedPaths.end(), [&](const std::string& denied) {
        return spelt == denied || spelt.starts_with(denied + separator);
    });
}

std::optional<std::filesystem::path> servedVideoPath(const std::string& requestPath, const std::string& shareName,
                                                     const std::vector<std::string>& deniedPaths) {
    std::vector<std::string> names = segmentsOf(requestPath);
    if (names.size() < 2 || names.front() != shareName) return std::nullopt;
    names.erase(names.begin());
    if (!std::all_of(names.begin(), names.end(), isPlainName) || isProgramFile(names) ||
        !isVideoFile(platform::pathFromUtf8(names.back())))
        return std::nullopt;
    std::filesystem::path relative;
    for (const std::string& name : names) relative /= platform::pathFromUtf8(name);
    if (isOnDeniedPath(relative, deniedPaths)) return std::nullopt;
    return relative;
}
