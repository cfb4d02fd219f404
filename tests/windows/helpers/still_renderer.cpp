// Renders the still of each video given, as a share does, into a folder; the
// Windows build's stills are compared with the Linux build's.
//
//   still_renderer <output folder> <video>...
//
// Each still is named after its video's file name with ".png" added. The exit
// status is the number of videos that gave no still.
#include <filesystem>
#include <fstream>
#include <atomic>
#include <iostream>

#include "thumbs/frame_capture.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: still_renderer <output folder> <video>...\n";
        return 255;
    }
    const std::filesystem::path output = argv[1];
    std::filesystem::create_directories(output);
    const std::atomic<bool> never{false};
    int failed = 0;
    for (int i = 2; i < argc; ++i) {
        const std::filesystem::path video = argv[i];
        const StillCapture still = captureStill(video, 0, never);
        const auto png = still.png.view();
        if (!png.empty()) {
            std::ofstream(output / (video.filename().string() + ".png"), std::ios::binary)
                .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
            continue;
        }
        std::cerr << "no still: " << argv[i] << ": " << still.failure << "\n";
        ++failed;
    }
    return failed;
}
