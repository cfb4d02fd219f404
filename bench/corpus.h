#pragma once
// The benchmark's own material, made in a scratch directory.
#include <filesystem>
#include <vector>

// What the corpus's videos show: a flat test pattern that PNG compresses
// almost for free, or detail and film grain as real footage has.
enum class Pictures { clean, realistic };

// 40 videos of the kinds a shared folder holds, among them 1920 x 1080 H.264
// with one key frame in 250, made with the ffmpeg tool two at a time.
std::vector<std::filesystem::path> makeVideoCorpus(const std::filesystem::path& directory, Pictures pictures);

// Two large 3840 x 2160 H.264 videos with detail and grain after a black
// opening, whose stills take long enough to stop in the middle.
std::vector<std::filesystem::path> makeLargeVideos(const std::filesystem::path& directory);

// `fileCount` empty files in a tree of directories, one in ten a video.
void makeFileTree(const std::filesystem::path& root, int fileCount);
