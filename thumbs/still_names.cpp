#include "thumbs/still_names.h"

#include <string>
#include <unordered_map>

#include "res/video_kinds.h"

namespace fs = std::filesystem;

namespace {

using Name = fs::path::string_type;

Name folded(Name name) {
    for (auto& c : name)
        if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
    return name;
}

// Which of one folder's videos take their whole names; the names of the
// stills are compared without the extension all of them share.
std::vector<bool> wholeNamesAmong(const std::vector<const fs::path*>& videos) {
    std::vector<Name> stems, names;
    for (const fs::path* video : videos) {
        stems.push_back(folded(video->stem().native()));
        names.push_back(folded(video->filename().native()));
    }
    std::vector<bool> whole(videos.size(), false);
    for (bool changed = true; changed;) {
        std::unordered_map<Name, int> claims;
        for (std::size_t i = 0; i < videos.size(); ++i) ++claims[whole[i] ? names[i] : stems[i]];
        changed = false;
        for (std::size_t i = 0; i < videos.size(); ++i)
            if (!whole[i] && claims[stems[i]] > 1) whole[i] = changed = true;
    }
    return whole;
}

}  // namespace

std::set<fs::path> videosWithWholeStillNames(const std::vector<fs::path>& videos) {
    std::unordered_map<Name, std::vector<const fs::path*>> byFolder;
    for (const fs::path& video : videos) byFolder[video.parent_path().native()].push_back(&video);
    std::set<fs::path> wholeNamed;
    for (const auto& [folder, members] : byFolder) {
        if (members.size() < 2) continue;
        const std::vector<bool> whole = wholeNamesAmong(members);
        for (std::size_t i = 0; i < members.size(); ++i)
            if (whole[i]) wholeNamed.insert(*members[i]);
    }
    return wholeNamed;
}

fs::path stillPathOf(const fs::path& video, bool wholeName) {
    const std::string extension(video_kinds::kStillExtension);
    if (!wholeName) return fs::path(video).replace_extension(extension);
    fs::path still = video;
    still += extension;
    return still;
}
