#pragma once
// Finding the video files below a folder.
#include <filesystem>
#include <vector>

#include "res/video_kinds.h"

// The extensions of the video kinds a shared folder commonly holds, lower
// case (res/video_kinds.json, which the TV page's list comes from too).
const decltype(video_kinds::kExtensions)& videoExtensions();

// True when the file name's extension is a video extension (A-Z folded).
// Does not touch the file system.
bool isVideoFile(const std::filesystem::path& path);

// Every regular file below `root` that isVideoFile accepts, in walk order
// (depth first, pre-order). A missing root or a file root gives an empty
// list; any other failure raises std::filesystem::filesystem_error. Given
// `unreadable`, a subfolder that may not be opened is skipped and added there
// instead of ending the walk.
std::vector<std::filesystem::path> scanVideos(const std::filesystem::path& root,
                                              std::vector<std::filesystem::path>* unreadable = nullptr);
