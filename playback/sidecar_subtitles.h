#pragma once
// Subtitle files saved beside a video under its name: "片名.srt",
// "片名.ass", "片名.chs.srt". Each is known by its suffix, the part of its
// name after the video's stem and a dot ("srt", "chs.srt").
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/link_free_directory.h"

// Whether `suffix` is a subtitle file's: an optional language or name part
// without dots, then "srt", "ass", "ssa" or "vtt" in any case.
bool isSidecarSuffix(const std::string& suffix);

// The suffixes of the names (UTF-8) that are `video`'s sidecar subtitles, in order.
std::vector<std::string> sidecarSuffixes(const std::vector<std::string>& names, const std::filesystem::path& video);

// Its extension with the dot: ".srt" for "chs.srt" and for "srt".
std::string sidecarExtension(const std::string& suffix);

// What the page calls it: the language part in Chinese ("chs" is "简体"),
// else the part as it is, else "字幕".
std::string sidecarLabel(const std::string& suffix);

// The sidecar's path below the shared folder, from the video's there.
std::filesystem::path sidecarPath(const std::filesystem::path& video, const std::string& suffix);

// The suffixes of the sidecars of `video` (below `folder`) that are files
// the web server would serve, as openServedFile opens them, and not on a
// denied path.
std::vector<std::string> servedSidecars(const platform::LinkFreeDirectory& folder, const std::filesystem::path& video,
                                        const std::vector<std::string>& deniedPaths);

// The whole of that sidecar's file; nullopt when it is not served or too large.
std::optional<std::string> readSidecar(const platform::LinkFreeDirectory& folder, const std::filesystem::path& video,
                                       const std::string& suffix, const std::vector<std::string>& deniedPaths);
