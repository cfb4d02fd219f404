#pragma once
// What the capture tests share: a scratch folder per test, the fixtures,
// and a reader for the PNG files the capture writes.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/thumbs/scratch_folder.h"
#include "thumbs/frame_capture.h"

namespace fs = std::filesystem;

fs::path fixture(const std::string& name);

struct Rgb {
    int red, green, blue;
};
bool isRed(Rgb pixel);
bool isGreen(Rgb pixel);
bool isBlue(Rgb pixel);

// A PNG file as its chunks say and as a decoder sees it.
struct PngFile {
    std::vector<std::string> chunkTypes;  // in file order
    int width = 0;
    int height = 0;
    int bitDepth = 0;
    int colourType = 0;
    std::vector<unsigned char> rgb;  // decoded, 3 bytes a pixel, rows top to bottom
    Rgb at(int x, int y) const;
};
// Fails the current test when the file is not a well-formed PNG.
PngFile readPng(const fs::path& path);

// Every entry of a directory, recursively, relative to it.
std::vector<fs::path> listTree(const fs::path& directory);

class CaptureTest : public ::testing::Test {
protected:
    // Captures the video's still at `seconds` into `png`; false, and no
    // file, on failure, whose reason is then in `failure`.
    bool capture(const fs::path& video, const fs::path& png);

    std::int32_t seconds = 0;
    std::atomic<bool> stop{false};
    std::string failure;
    ScratchFolder folder;
    const fs::path scratch = folder.root();
};

// "clip.mp4" as the name of a test instance: "clip_mp4".
std::string fileNameAsTestName(const ::testing::TestParamInfo<const char*>& info);
