#pragma once
// Image bombs made at test time: a Matroska file of one motion-JPEG picture
// that is huge once decoded but small on disk (one grey picture whose every
// block codes in two bits).
#include <filesystem>

struct PictureSize {
    int width;
    int height;
};

// Writes the bomb to `path`. The picture is `picture` in size; the file's
// header claims `header`, which may differ (a file that lies).
void writeImageBomb(const std::filesystem::path& path, PictureSize picture, PictureSize header);
