// Measures the still rendering and the folder scan against the command-line
// tools that do the same work, on corpora the benchmark makes itself: one of
// flat test patterns and one of pictures with detail and grain. Prints the
// figures as a Markdown table.
//
//   thumbs_bench [--files N]        the whole benchmark (N files for the scan)
//   thumbs_bench --render IN OUT    the pool's part, run as a child process
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "corpus.h"
#include "pool_render.h"
#include "shell.h"
#include "still_encoding.h"
#include "stop_latency.h"
#include "thumbs/still_names.h"
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

// One corpus's stills, rendered three ways side by side.
struct StillFigures {
    std::size_t videos = 0;
    double poolRate = 0, ffmpegRate = 0, thumbnailerRate = 0;  // stills a second
    long poolPeakKib = 0;
    EncodingComparison encoding;
};

StillFigures measureStills(const std::string& self, const fs::path& root, Pictures pictures) {
    std::cout << "making the " << (pictures == Pictures::clean ? "clean" : "realistic") << " corpus in " << root
              << " ...\n";
    const fs::path videoDirectory = root / "videos";
    const std::vector<fs::path> videos = makeVideoCorpus(videoDirectory, pictures);
    StillFigures figures;
    figures.videos = videos.size();

    std::cout << "rendering " << videos.size() << " stills three ways, three times each ...\n";
    figures.poolRate = bestRateOfThree(root / "pool", [&](const fs::path& stills) {
        const PoolReport pool = renderOnceWithPool(self, videoDirectory, videos.size(), stills);
        figures.poolPeakKib = std::max(figures.poolPeakKib, pool.peakKib);
        return pool.seconds;
    });
    figures.ffmpegRate = bestRateOfThree(root / "ffmpeg", [&](const fs::path& stills) {
        return timeToolOverVideos("ffmpeg", videos, stills, "-nostdin -v error -y -i IN -frames:v 1 -s 640x360 OUT",
                                  root / "ffmpeg.args");
    });
    figures.thumbnailerRate = bestRateOfThree(root / "thumbnailer", [&](const fs::path& stills) {
        return timeToolOverVideos("ffmpegthumbnailer", videos, stills, "-i IN -o OUT -s 640 -t 0",
                                  root / "thumbs.args");
    });
    std::cout << "encoding the stills' pixels again with each encoder ...\n";
    figures.encoding = compareEncoders(root / "pool-1");
    return figures;
}

std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

// One row of the Markdown table the benchmark prints.
void row(const std::string& measure, const std::string& clean, const std::string& realistic,
         const std::string& target) {
    std::cout << "| " << measure << " | " << clean << " | " << realistic << " | " << target << " |\n";
}

std::string number(double value, int decimals, const char* unit = "") {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f%s", decimals, value, unit);
    return text;
}

void reportStills(const StillFigures& clean, const StillFigures& real) {
    auto both = [&](const std::string& measure, auto value, int decimals, const char* unit, const char* target) {
        row(measure, number(value(clean), decimals, unit), number(value(real), decimals, unit), target);
    };
    both(
        "our pool, stills/s", [](const StillFigures& f) { return f.poolRate; }, 1, "", "");
    both(
        "ffmpeg tool, stills/s", [](const StillFigures& f) { return f.ffmpegRate; }, 1, "", "");
    both(
        "ffmpegthumbnailer, stills/s", [](const StillFigures& f) { return f.thumbnailerRate; }, 1, "", "");
    both(
        "pool / ffmpeg tool", [](const StillFigures& f) { return f.poolRate / f.ffmpegRate; }, 2, "×", "≥ 10×");
    both(
        "pool / ffmpegthumbnailer", [](const StillFigures& f) { return f.poolRate / f.thumbnailerRate; }, 2, "×",
        "≥ 8×");
    both(
        "pool peak memory", [](const StillFigures& f) { return f.poolPeakKib / 1024.0; }, 0, " MB", "< 100 MB");
    both(
        "stills' total size", [](const StillFigures& f) { return f.encoding.writtenBytes / 1e6; }, 2, " MB", "");
    both(
        "libstb's default encoding of the same pixels",
        [](const StillFigures& f) { return f.encoding.libstb.bytes / 1e6; }, 2, " MB", "");
    both(
        "stills / libstb",
        [](const StillFigures& f) { return double(f.encoding.writtenBytes) / f.encoding.libstb.bytes; }, 2, "×",
        "≤ 0.85×");
    both(
        "libspng's default encoding / libstb",
        [](const StillFigures& f) { return double(f.encoding.libspng.bytes) / f.encoding.libstb.bytes; }, 2, "×", "");
    auto perStill = [](const EncoderFigures& e, int stills) { return e.seconds * 1000 / stills; };
    both(
        "encoding a still: ours (stb's filters, libdeflate 1), ms",
        [&](const StillFigures& f) { return perStill(f.encoding.ours, f.encoding.stills); }, 2, "", "");
    both(
        "encoding a still: libstb, ms",
        [&](const StillFigures& f) { return perStill(f.encoding.libstb, f.encoding.stills); }, 2, "", "");
    both(
        "encoding a still: libspng, ms",
        [&](const StillFigures& f) { return perStill(f.encoding.libspng, f.encoding.stills); }, 2, "", "");
}

int runBenchmark(const std::string& self, int fileCount) {
    Workspace work;
    const std::string loadBefore = loadAverage();
    const StillFigures clean = measureStills(self, work.root / "clean", Pictures::clean);
    const StillFigures real = measureStills(self, work.root / "realistic", Pictures::realistic);

    std::cout << "making two 3840 x 2160 videos and stopping the pool over them 20 times ...\n";
    const fs::path large = work.root / "large";
    makeLargeVideos(large / "videos");
    const StopLatency stop = measureStopLatency(large / "videos", 20);

    std::cout << "making a tree of " << fileCount << " files ...\n";
    const fs::path tree = work.root / "tree";
    makeFileTree(tree, fileCount);
    std::size_t found = 0;
    const double scanSeconds = bestOfThree([&] { found = scanVideos(tree).size(); });
    const double findSeconds = bestOfThree([&] { runShell("find " + shellWord(tree) + " -type f > /dev/null"); });
    // Each rescan names the stills of every video it found: as many videos
    // as the tree has files, a pair of twins in every folder of 100.
    std::vector<fs::path> videos;
    for (int i = 0; i < fileCount; ++i)
        videos.push_back(tree / ("第" + std::to_string(i / 100) + "季") / ("第" + std::to_string(i % 99) + "集.mp4"));
    const double namingSeconds = bestOfThree([&] { videosWithWholeStillNames(videos); });

    std::cout << "\nload average before " << loadBefore << ", after " << loadAverage() << "\n\n";
    row("measure", "clean corpus", "realistic corpus", "target");
    row("---", "---", "---", "---");
    reportStills(clean, real);
    const double median = (stop.stopSeconds[9] + stop.stopSeconds[10]) / 2;
    row("`ThumbnailPool::stop` while two 3840 × 2160 captures run (" + number(stop.captureSeconds, 2) +
            " s undisturbed), median / worst of 20",
        "", number(median * 1000, 1) + " / " + number(stop.stopSeconds.back() * 1000, 1) + " ms", "≤ 500 ms");
    row("stops that found both captures running", "", std::to_string(stop.stopsDuringCaptures) + " of 20", "");
    row("`scanVideos` / `find -type f` (" + std::to_string(fileCount) + " files, " + std::to_string(found) + " videos)",
        number(scanSeconds * 1000, 0) + " / " + number(findSeconds * 1000, 0) +
            " ms = " + number(scanSeconds / findSeconds, 2, "×"),
        "", "≤ 1.5×");
    row("`videosWithWholeStillNames` / `scanVideos` (" + std::to_string(fileCount) + " videos / files)",
        number(namingSeconds * 1000, 0) + " / " + number(scanSeconds * 1000, 0) +
            " ms = " + number(namingSeconds / scanSeconds, 2, "×"),
        "", "≤ 0.25×");
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
