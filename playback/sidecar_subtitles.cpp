#include "playback/sidecar_subtitles.h"

#include <algorithm>

#include "platform/paths.h"
#include "playback/ascii_case.h"
#include "playback/served_video.h"
#include "playback/track_labels.h"

namespace {

// A film's subtitles take a few hundred kilobytes; this is far beyond.
constexpr std::uint64_t kLargestSidecar = 16u << 20;
constexpr std::size_t kLongestPart = 32;

std::string stemOf(const std::filesystem::path& video) {
    return platform::utf8FromPath(video.stem());
}

// The part before the extension, empty when there is none.
std::string languagePart(const std::string& suffix) {
    const std::size_t dot = suffix.find('.');
    return dot == std::string::npos ? std::string() : suffix.substr(0, dot);
}

std::unique_ptr<platform::RegularFileReader> openSidecar(const platform::LinkFreeDirectory& folder,
                                                         const std::filesystem::path& video, const std::string& suffix,
                                                         const std::vector<std::string>& deniedPaths) {
    if (!isSidecarSuffix(suffix)) return nullptr;
    const std::filesystem::path path = sidecarPath(video, suffix);
    if (isOnDeniedPath(path, deniedPaths)) return nullptr;
    std::string refusal;
    return folder.openServedFile(path, refusal);
}

}  // namespace

std::string sidecarExtension(const std::string& suffix) {
    const std::size_t dot = suffix.rfind('.');
    return "." + (dot == std::string::npos ? suffix : suffix.substr(dot + 1));
}

bool isSidecarSuffix(const std::string& suffix) {
    const std::string extension = asciiLowerCase(sidecarExtension(suffix));
    if (extension != ".srt" && extension != ".ass" && extension != ".ssa" && extension != ".vtt") return false;
    const std::size_t dot = suffix.rfind('.');
    if (dot == std::string::npos) return true;
    const std::string part = suffix.substr(0, dot);
    return !part.empty() && part.size() <= kLongestPart && part.find_first_of("./\\") == std::string::npos;
}

std::vector<std::string> sidecarSuffixes(const std::vector<std::string>& names, const std::filesystem::path& video) {
    const std::string start = stemOf(video) + ".";
    std::vector<std::string> suffixes;
    for (const std::string& name : names) {
        if (name.size() > start.size() && name.starts_with(start) && isSidecarSuffix(name.substr(start.size())))
            suffixes.push_back(name.substr(start.size()));
    }
    std::sort(suffixes.begin(), suffixes.end());
    return suffixes;
}

std::string sidecarLabel(const std::string& suffix) {
    const std::string part = languagePart(suffix);
    if (part.empty()) return "字幕";
    const std::string label = languageLabel(part, TrackKind::subtitle);
    return label.empty() ? part : label;
}

std::filesystem::path sidecarPath(const std::filesystem::path& video, const std::string& suffix) {
    return video.parent_path() / platform::pathFromUtf8(stemOf(video) + "." + suffix);
}

std::vector<std::string> servedSidecars(const platform::LinkFreeDirectory& folder, const std::filesystem::path& video,
                                        const std::vector<std::string>& deniedPaths) {
    std::unique_ptr<platform::LinkFreeDirectory> below;
    const platform::LinkFreeDirectory* where = &folder;
    for (const std::filesystem::path& name : video.parent_path()) {
        below = where->child(name, false);
        if (!below) return {};
        where = below.get();
    }
    std::vector<std::string> names;
    for (const platform::DirectoryEntry& entry : where->entries())
        if (entry.kind == platform::EntryKind::regularFile || entry.kind == platform::EntryKind::link)
            names.push_back(platform::utf8FromPath(entry.name));
    std::vector<std::string> served = sidecarSuffixes(names, video);
    std::erase_if(served, [&](const std::string& suffix) { return !openSidecar(folder, video, suffix, deniedPaths); });
    return served;
}

std::optional<std::string> readSidecar(const platform::LinkFreeDirectory& folder, const std::filesystem::path& video,
                                       const std::string& suffix, const std::vector<std::string>& deniedPaths) {
    const auto file = openSidecar(folder, video, suffix, deniedPaths);
    if (!file || file->size() > kLargestSidecar) return std::nullopt;
    return platform::readWholeFile(*file);
}
