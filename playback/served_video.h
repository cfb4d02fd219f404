#pragma once
// Which file a playback request names, by the rules nginx serves the share
// by: no name beginning with a dot, no path through the program's own
// files, none through a link the running share denies.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The request's path (decoded, UTF-8) is "<share name>/<path below the
// shared folder>"; the path below the folder, when such a file may be
// served. `deniedPaths` are below the shared folder as the link walk gives them.
std::optional<std::filesystem::path> servedVideoPath(const std::string& requestPath, const std::string& shareName,
                                                     const std::vector<std::string>& deniedPaths);

// Whether `relative` (below the shared folder) is or lies below one of `deniedPaths`.
bool isOnDeniedPath(const std::filesystem::path& relative, const std::vector<std::string>& deniedPaths);
