// Measures the still rendering and the folder scan against the command-line
// tools that do the same work, on a corpus the benchmark makes itself.
//
//   thumbs_bench [--files N]        the whole benchmark (N files for the scan)
//   thumbs_bench --render IN OUT    the pool's part, run as a child process
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "corpus.h"
#include "pool_render.h"
#include "shell.h"
#include "thumbs/video_discovery.h"

namespace fs = std::filesystem;

namespace {

struct Workspace {
    Workspace() : root(fs::temp_directory_path() / ("vomra-bench-" + std::to_string(std::random_device{}()))) {
        fs::create_directories(root);
    }
    ~Workspace() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    fs::path root;
};

// The PNG files below a directory: the stills actually written there.
std::size_t countStills(const fs::path& directory) {
    std::size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(directory))
        count += entry.is_regular_file() && entry.path().extension() == ".png";
    return count;
}

// Two processes at a time, one per video. The words IN and OUT of
// `argumentPattern` stand for the video and its still.
double timeToolOverVideos(const std::string& tool, const std::vector<fs::path>& videos, const fs::path& stills,
                          const std::string& argumentPattern, const fs::path& argumentList) {
    fs::create_directories(stills);
    std::vector<std::vector<std::string>> commands;
    for (const fs::path& video : videos) {
        std::vector<std::string>& command = commands.emplace_back(words(argumentPattern));
        std::replace(command.begin(), command.end(), std::string("IN"), video.string());
        std::replace(command.begin(), command.end(), std::string("OUT"), (stills / video.stem()).string() + ".png");
    }
    const std::string toolOverVideos = twoAtATime(tool, commands, argumentList);
    return secondsOf([&] { runShell(toolOverVideos); });
}

// Our pool over the corpus in a child process; every video must get its still.
PoolReport renderOnceWithPool(const std::string& self, const fs::path& videoDirectory, std::size_t videoCount,
                              const fs::path& stills) {
    const fs::path reportFile = stills.string() + ".report";
    runShell(shellWord(self) + " --render " + shellWord(videoDirectory) + " " + shellWord(stills) + " > " +
             shellWord(reportFile) + " 2> " + shellWord(stills.string() + ".log"));
    const PoolReport pool = readPoolReport(reportFile);
    const std::size_t written = countStills(stills);
    if (written != videoCount)
        throw std::runtime_error("our pool wrote " + std::to_string(written) + " stills for the " +
                                 std::to_string(videoCount) + " videos of the corpus (" + std::to_string(pool.failed) +
                                 " of the " + std::to_string(pool.videos) + " videos it found failed)");
    return pool;
}

template <typename Work>
double bestOfThree(Work&& work) {
    double best = secondsOf(work);
    for (int i = 0; i < 2; ++i) best = std::min(best, secondsOf(work));
    return best;
}

// Renders the corpus three times, each run into a fresh folder (the pool
// skips stills that exist), and gives the best rate in stills per second: one
// run of a fraction of a second is at the mercy of whatever else the machine
// does. `renderInto` returns a run's seconds.
template <typename Render>
double bestRateOfThree(const fs::path& stillsBase, Render&& renderInto) {
    double best = 0;
    for (int run = 1; run <= 3; ++run) {
        const fs::path stills = stillsBase.string() + "-" + std::to_string(run);
        const double seconds = renderInto(stills);
        best = std::max(best, countStills(stills) / seconds);
    }
    return best;
}

void report(const char* what, double value, const char* unit, const char* target) {
    std::printf("  %-44s %10.2f %-4s %s\n", what, value, unit, target);
}

int runBenchmark(const std::string& self, int fileCount) {
    Workspace work;
    std::cout << "making the video corpus in " << work.root << " ...\n";
    const fs::path videoDirectory = work.root / "videos";
    const std::vector<fs::path> videos = makeVideoCorpus(videoDirectory);

    std::cout << "rendering " << videos.size() << " stills three ways, three times each ...\n";
    long poolPeakKib = 0;
    const double poolRate = bestRateOfThree(work.root / "pool", [&](const fs::path& stills) {
        const PoolReport pool = renderOnceWithPool(self, videoDirectory, videos.size(), stills);
        poolPeakKib = std::max(poolPeakKib, pool.peakKib);
        return pool.seconds;
    });
    const double ffmpegRate = bestRateOfThree(work.root / "ffmpeg", [&](const fs::path& stills) {
        return timeToolOverVideos("ffmpeg", videos, stills, "-nostdin -v error -y -i IN -frames:v 1 -s 640x360 OUT",
                                  work.root / "ffmpeg.args");
    });
    const double thumbnailerRate = bestRateOfThree(work.root / "thumbnailer", [&](const fs::path& stills) {
        return timeToolOverVideos("ffmpegthumbnailer", videos, stills, "-i IN -o OUT -s 640 -t 0",
                                  work.root / "thumbs.args");
    });

    std::cout << "making a tree of " << fileCount << " files ...\n";
    const fs::path tree = work.root / "tree";
    makeFileTree(tree, fileCount);
    std::size_t found = 0;
    const double scanSeconds = bestOfThree([&] { found = scanVideos(tree).size(); });
    const double findSeconds = bestOfThree([&] { runShell("find " + shellWord(tree) + " -type f > /dev/null"); });

    std::cout << "\nstills of " << videos.size() << " videos, best of three\n";
    report("our pool, two workers", poolRate, "/s", "");
    report("ffmpeg tool, two processes at a time", ffmpegRate, "/s", "");
    report("ffmpegthumbnailer, two processes at a time", thumbnailerRate, "/s", "");
    report("pool / ffmpeg", poolRate / ffmpegRate, "x", "(target >= 7)");
    report("pool / ffmpegthumbnailer", poolRate / thumbnailerRate, "x", "(target >= 5)");
    report("pool peak memory", poolPeakKib / 1024.0, "MB", "(target < 150)");
    std::cout << "scan of " << fileCount << " files (" << found << " videos), best of three\n";
    report("scanVideos", scanSeconds * 1000, "ms", "");
    report("find -type f", findSeconds * 1000, "ms", "");
    report("scanVideos / find", scanSeconds / findSeconds, "x", "(target <= 1.5)");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::vector<std::string> arguments(argv + 1, argv + argc);
        if (arguments.size() == 3 && arguments[0] == "--render") return renderWithPool(arguments[1], arguments[2]);
        if (arguments.empty()) return runBenchmark(argv[0], 100'000);
        if (arguments.size() == 2 && arguments[0] == "--files") return runBenchmark(argv[0], std::stoi(arguments[1]));
        std::cerr << "usage: thumbs_bench [--files N]\n";
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "thumbs_bench: " << error.what() << "\n";
        return 1;
    }
}
