#include "corpus.h"

#include <fstream>
#include <string>
#include <vector>

#include "shell.h"

namespace {

struct VideoKind {
    int count;
    const char* extension;
    const char* size;
    int seconds;
    const char* codec;  // ffmpeg arguments
};

// testsrc2 moves and changes colour, so the coded pictures are not trivial.
const VideoKind videoKinds[] = {
    {6, ".mp4", "1920x1080", 10, "-c:v libx264 -preset superfast -g 250 -pix_fmt yuv420p"},
    {4, ".mkv", "1920x1080", 10, "-c:v libx264 -preset superfast -g 250 -pix_fmt yuv420p"},
    {4, ".mov", "1280x720", 4, "-c:v libx264 -preset superfast -bf 3 -pix_fmt yuv420p"},
    {6, ".mpg", "720x576", 4, "-c:v mpeg2video -q:v 4"},
    {4, ".avi", "640x360", 4, "-c:v mpeg4 -q:v 4"},
    {4, ".flv", "640x360", 4, "-c:v flv1 -q:v 4"},
    {4, ".wmv", "640x360", 4, "-c:v wmv2 -q:v 4"},
    {4, ".m4v", "640x360", 4, "-c:v libx264 -preset superfast -pix_fmt yuv420p -f ipod"},
    {4, ".mpeg", "640x360", 4, "-c:v mpeg1video -q:v 4 -f mpeg"},
};

}  // namespace

std::vector<std::filesystem::path> makeVideoCorpus(const std::filesystem::path& directory) {
    std::filesystem::create_directories(directory);
    const std::filesystem::path argumentList = directory / "make.args";
    std::vector<std::filesystem::path> videos;
    // One kind at a time, as the kinds' commands differ in their number of words.
    for (const VideoKind& kind : videoKinds) {
        const std::vector<std::string> options =
            words(std::string("-nostdin -v error -y -f lavfi -i testsrc2=size=") + kind.size +
                  ":rate=25:duration=" + std::to_string(kind.seconds) + " " + kind.codec);
        std::vector<std::vector<std::string>> commands;
        for (int i = 0; i < kind.count; ++i) {
            videos.push_back(directory / ("video" + std::to_string(videos.size()) + kind.extension));
            commands.push_back(options);
            commands.back().push_back(videos.back().string());
        }
        runShell(twoAtATime("ffmpeg", commands, argumentList));
    }
    std::filesystem::remove(argumentList);
    return videos;
}

void makeFileTree(const std::filesystem::path& root, int fileCount) {
    const char* extensions[] = {".txt", ".jpg", ".srt", ".nfo", ".png", ".mp3", ".doc", ".pdf", ".zip", ".mkv"};
    const int filesPerDirectory = 100;
    for (int i = 0; i < fileCount; ++i) {
        const int directoryNumber = i / filesPerDirectory;
        const std::filesystem::path directory =
            root / ("d" + std::to_string(directoryNumber / 100)) / ("e" + std::to_string(directoryNumber % 100));
        if (i % filesPerDirectory == 0) std::filesystem::create_directories(directory);
        std::ofstream(directory / ("file" + std::to_string(i) + extensions[i % 10]));
    }
}
