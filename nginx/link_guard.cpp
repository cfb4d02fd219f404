#include "nginx/link_guard.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "platform/file_identity.h"
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

fs::path temporarySettingsFile(const InstallPaths& paths) {
    fs::path temporary = paths.settingsFile;
    temporary += ".tmp";
    return temporary;
}

// The server directory, the settings file and its temporary twin, each where
// it really is.
std::vector<fs::path> programFiles(const InstallPaths& paths) {
    return {realPath(paths.serverDir), realPath(paths.settingsFile), realPath(temporarySettingsFile(paths))};
}

// A file with one name has no other name anywhere to look for.
void addIfLinked(const fs::path& file, std::set<platform::FileIdentity>& identities) {
    const auto names = platform::fileNames(file);
    if (names && names->count > 1) identities.insert(names->identity);
}

// The files whose other names must not be served, those that have other
// names, as they are now: a file replaced later is another file, found at the
// next walk. Mostly there are none, and the walk then reads no file's details.
std::set<platform::FileIdentity> filesNotToServe(const InstallPaths& paths) {
    std::set<platform::FileIdentity> identities;
    for (const fs::path& file : {paths.settingsFile, temporarySettingsFile(paths), paths.passwordFile})
        addIfLinked(file, identities);
    for (const fs::path& folder : {paths.configFile.parent_path(), paths.errorLog.parent_path()}) {
        std::error_code error;
        for (fs::recursive_directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error))
            addIfLinked(entry->path(), identities);
    }
    return identities;
}

// The path through `link` to a program file, or an empty path when the link
// leads nowhere near one.
fs::path pathThrough(const fs::path& link, const fs::path& target, const fs::path& programFile) {
    if (isWithin(target, programFile)) return link;
    if (isWithin(programFile, target)) return link / programFile.lexically_relative(target);
    return {};
}

// What the walk looks for, and what it found.
struct LinkSearch {
    fs::path shared;
    std::vector<fs::path> programFiles;
    std::set<platform::FileIdentity> notToServe;
    std::vector<std::string> found;

    void checkSymbolicLink(const fs::path& path) {
        std::error_code error;
        const fs::path target = fs::canonical(path, error);
        if (error) return;
        const fs::path link = path.lexically_relative(shared);
        for (const fs::path& programFile : programFiles) {
            const fs::path through = pathThrough(link, target, programFile);
            if (!through.empty()) found.push_back(platform::utf8FromPath(through));
        }
    }

    // Only a file with more than one name can be another name of one of ours.
    void checkRegularFile(const fs::path& path) {
        const auto names = platform::fileNames(path);
        if (names && names->count > 1 && notToServe.contains(names->identity))
            found.push_back(platform::utf8FromPath(path.lexically_relative(shared)));
    }
};

}  // namespace

std::vector<std::string> pathsThroughLinksToProgramFiles(const ShareSettings& settings, const InstallPaths& paths,
                                                         std::stop_token stop) {
    LinkSearch search{platform::pathFromUtf8(settings.sharedFolder), programFiles(paths), filesNotToServe(paths), {}};
    std::error_code error;
    fs::recursive_directory_iterator entry(search.shared, fs::directory_options::skip_permission_denied, error);
    for (; !error && entry != fs::recursive_directory_iterator() && !stop.stop_requested(); entry.increment(error)) {
        std::error_code typeError;
        if (entry->is_symlink(typeError))
            search.checkSymbolicLink(entry->path());
        else if (!search.notToServe.empty() && entry->is_regular_file(typeError))
            search.checkRegularFile(entry->path());
    }
    std::sort(search.found.begin(), search.found.end());
    return search.found;
}
