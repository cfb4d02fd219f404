#include "nginx/link_guard.h"

#include <filesystem>

#include "platform/paths.h"

namespace fs = std::filesystem;

namespace {

// Where a path really is, as far as it exists: links resolved, "." and ".."
// gone.
fs::path realPath(const fs::path& path) {
    std::error_code error;
    const fs::path real = fs::weakly_canonical(path, error);
    return error ? path.lexically_normal() : real;
}

bool isWithin(const fs::path& inner, const fs::path& outer) {
    auto innerName = inner.begin();
    for (const fs::path& outerName : outer) {
        if (innerName == inner.end() || *innerName != outerName) return false;
        ++innerName;
    }
    return true;
}

// The server directory, the settings file and its temporary twin, each where
// it really is.
std::vector<fs::path> programFiles(const InstallPaths& paths) {
    fs::path temporarySettings = paths.settingsFile;
    temporarySettings += ".tmp";
    return {realPath(paths.serverDir), realPath(paths.settingsFile), realPath(temporarySettings)};
}

// The path through `link` to a program file, or an empty path when the link
// leads nowhere near one.
fs::path pathThrough(const fs::path& link, const fs::path& target, const fs::path& programFile) {
    if (isWithin(target, programFile)) return link;
    if (isWithin(programFile, target)) return link / programFile.lexically_relative(target);
    return {};
}

}  // namespace

std::vector<std::string> pathsThroughLinksToProgramFiles(const ShareSettings& settings, const InstallPaths& paths) {
    const fs::path shared = platform::pathFromUtf8(settings.sharedFolder);
    const std::vector<fs::path> guarded = programFiles(paths);
    std::vector<std::string> found;
    std::error_code error;
    fs::recursive_directory_iterator entry(shared, fs::directory_options::skip_permission_denied, error);
    for (; !error && entry != fs::recursive_directory_iterator(); entry.increment(error)) {
        std::error_code linkError;
        if (!entry->is_symlink(linkError)) continue;
        const fs::path target = fs::canonical(entry->path(), linkError);
        if (linkError) continue;
        const fs::path link = entry->path().lexically_relative(shared);
        for (const fs::path& programFile : guarded) {
            const fs::path through = pathThrough(link, target, programFile);
            if (!through.empty()) found.push_back(platform::utf8FromPath(through));
        }
    }
    return found;
}
