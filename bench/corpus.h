#pragma once
// The benchmark's own material, made in a scratch directory.
#include <filesystem>
#include <vector>

// 40 videos of the kinds a shared folder holds, among them 1920 x 1080 H.264
// with one key frame in 250, made with the ffmpeg tool two at a time.
std::vector<std::filesystem::path> makeVideoCorpus(const std::filesystem::path& directory);

// `fileCount` empty files in a tree of directories, one in ten a video.
void makeFileTree(const std::filesystem::path& root, int fileCount);
