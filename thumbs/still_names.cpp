#include "thumbs/still_names.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "res/video_kinds.h"

namespace fs = std::filesystem;

namespace {

using NameView = std::basic_string_view<fs::path::value_type>;
using Char = fs::path::value_type;

constexpr Char kSeparators[] = {'/', fs::path::preferred_separator, 0};

Char folded(Char c) {
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

// A video's folder (with its separator), file name and stem, as its path
// spells them. The naming runs over every scan of maybe 100,000 videos, so
// no path is taken apart into elements and no name is copied.
struct Video {
    NameView folder, name, stem;
    std::uint64_t folderHash, stemHash;  // the stem's hash goes on from the folder's
};

// FNV-1a, over the characters as given or A to Z folded.
std::uint64_t hashOn(std::uint64_t hash, NameView text, bool fold) {
    for (Char c : text) hash = (hash ^ static_cast<std::uint64_t>(fold ? folded(c) : c)) * 0x100000001b3;
    return hash;
}

Video videoOf(const fs::path& path) {
    const NameView text = path.native();
    const std::size_t slash = text.find_last_of(kSeparators);
    const std::size_t start = slash == NameView::npos ? 0 : slash + 1;
    const NameView folder = text.substr(0, start), name = text.substr(start);
    const std::size_t dot = name.rfind('.');
    const NameView stem = dot == NameView::npos || dot == 0 ? name : name.substr(0, dot);
    const std::uint64_t folderHash = hashOn(0xcbf29ce484222325, folder, false);
    return {folder, name, stem, folderHash, hashOn(folderHash, stem, true)};
}

bool foldedEqual(NameView a, NameView b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](Char x, Char y) { return folded(x) == folded(y); });
}

using HashIndex = std::pair<std::uint64_t, std::size_t>;

}  // namespace

// The rule applied round by round would count every claim again at each
// round. Instead: the first round sets apart the videos that share a stem;
// after that, a video takes its whole name only when its stem meets the
// whole name of a video that has just taken its own, so those are followed
// one by one, each looked up among the stems sorted by their hashes.
std::set<fs::path> videosWithWholeStillNames(const std::vector<fs::path>& paths) {
    std::vector<Video> videos;
    std::vector<HashIndex> byStem;
    videos.reserve(paths.size());
    byStem.reserve(paths.size());
    for (const fs::path& path : paths) {
        videos.push_back(videoOf(path));
        byStem.emplace_back(videos.back().stemHash, byStem.size());
    }
    std::sort(byStem.begin(), byStem.end());
    std::vector<bool> whole(videos.size(), false);
    std::vector<std::size_t> fresh;  // taken their whole names, not yet followed
    const auto takeWholeName = [&](std::size_t i) {
        if (!whole[i]) fresh.push_back(i);
        whole[i] = true;
    };
    for (std::size_t i = 0; i < byStem.size(); ++i) {
        const Video& a = videos[byStem[i].second];
        for (std::size_t j = i + 1; j < byStem.size() && byStem[j].first == byStem[i].first; ++j) {
            const Video& b = videos[byStem[j].second];
            if (a.folder != b.folder || !foldedEqual(a.stem, b.stem)) continue;
            takeWholeName(byStem[i].second);
            takeWholeName(byStem[j].second);
        }
    }
    while (!fresh.empty()) {
        const Video& taken = videos[fresh.back()];
        fresh.pop_back();
        const std::uint64_t claim = hashOn(taken.folderHash, taken.name, true);
        auto stem = std::lower_bound(byStem.begin(), byStem.end(), HashIndex{claim, 0});
        for (; stem != byStem.end() && stem->first == claim; ++stem) {
            const Video& other = videos[stem->second];
            if (other.folder == taken.folder && foldedEqual(other.stem, taken.name)) takeWholeName(stem->second);
        }
    }
    std::set<fs::path> wholeNamed;
    for (std::size_t i = 0; i < videos.size(); ++i)
        if (whole[i]) wholeNamed.insert(paths[i]);
    return wholeNamed;
}

fs::path stillPathOf(const fs::path& video, bool wholeName) {
    const std::string extension(video_kinds::kStillExtension);
    if (!wholeName) return fs::path(video).replace_extension(extension);
    fs::path still = video;
    still += extension;
    return still;
}
