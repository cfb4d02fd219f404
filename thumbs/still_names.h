#pragma once
// Which name each video's still takes below the still folder. A still is
// named after its video's stem, <stem>.png, as programs that read the share
// expect. Where videos of one folder would claim one still name (A to Z
// folded, as a Windows volume folds names), each of them takes its whole
// file name instead, <name>.png; that is repeated until no two videos claim
// one name, since a whole name can meet another video's stem ("a.mp4" and
// "a.mp4.mkv"). The TV page's script applies the same rule to the listing.
#include <filesystem>
#include <set>
#include <vector>

// The videos of `videos`, from any number of folders, whose stills take
// their whole file names.
std::set<std::filesystem::path> videosWithWholeStillNames(const std::vector<std::filesystem::path>& videos);

// The still of `video` (a path below the shared folder), as a path below the
// still folder: its folder, then <stem>.png, or <name>.png when `wholeName`.
std::filesystem::path stillPathOf(const std::filesystem::path& video, bool wholeName);
