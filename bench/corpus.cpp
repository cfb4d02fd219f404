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

// The lavfi source of a `size` picture at 25 frames a second. testsrc2
// moves and changes colour, so the coded pictures are not trivial, yet its
// flat areas compress almost for free. The Mandelbrot set, drawn at a
// quarter of the size (the source is slow), scaled up and given film grain
// that changes every frame, has detail everywhere, as real footage does.
std::string pictureSource(Pictures pictures, const std::string& size) {
    if (pictures == Pictures::clean) return "testsrc2=size=" + size + ":rate=25";
    const auto by = size.find('x');
    const std::string quarter =
        std::to_string(std::stoi(size.substr(0, by)) / 4) + "x" + std::to_string(std::stoi(size.substr(by + 1)) / 4);
    return "mandelbrot=size=" + quarter + ":rate=25,scale=" + size + ",noise=alls=16:allf=t+u";
}

}  // namespace

std::vector<std::filesystem::path> makeVideoCorpus(const std::filesystem::path& directory, Pictures pictures) {
    std::filesystem::create_directories(directory);
    const std::filesystem::path argumentList = directory / "make.args";
    std::vector<std::filesystem::path> videos;
    // One kind at a time, as the kinds' commands differ in their number of words.
    for (const VideoKind& kind : videoKinds) {
        const std::vector<std::string> options =
            words("-nostdin -v error -y -t " + std::to_string(kind.seconds) + " -f lavfi -i " +
                  pictureSource(pictures, kind.size) + " " + kind.codec);
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

std::vector<std::filesystem::path> makeLargeVideos(const std::filesystem::path& directory) {
    std::filesystem::create_directories(directory);
    // A black opening (3 s, then a fade) that the capture passes over key
    // frame by key frame, at a high rate, so each capture decodes several
    // large pictures.
    const std::vector<std::string> options =
        words("-nostdin -v error -y -t 6 -f lavfi -i " + pictureSource(Pictures::realistic, "3840x2160") +
              ",fade=t=in:st=3:d=0.5 -c:v libx264 -preset veryfast -crf 18 -g 50 -pix_fmt yuv420p");
    std::vector<std::filesystem::path> videos;
    std::vector<std::vector<std::string>> commands;
    for (int i = 0; i < 2; ++i) {
        videos.push_back(directory / ("large" + std::to_string(i) + ".mp4"));
        commands.push_back(options);
        commands.back().push_back(videos.back().string());
    }
    runShell(twoAtATime("ffmpeg", commands, directory / "make.args"));
    std::filesystem::remove(directory / "make.args");
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
