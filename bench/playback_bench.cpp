// What the playback helper's repackaging costs on a 1080p film: H.264 with
// AC-3 5.1 sound, D seconds (default 60), in Matroska and in MPEG-TS (which
// has no index, so its key frames take one pass over the packets). For each:
// the probe and the playlist, the first segment, and one from the middle (a
// seek), the sound converted to AAC; beside each segment the ffmpeg tool
// doing the same job from its command line. Best of R runs (default 5), the
// file in the page cache.
//
//   playback_bench [--seconds D] [--runs R]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "playback/media_probe.h"
#include "playback/segment_maker.h"
#include "playback/segment_plan.h"
#include "shell.h"

namespace fs = std::filesystem;

namespace {

int option(int argc, char** argv, const std::string& name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (argv[i] == name) return std::atoi(argv[i + 1]);
    return fallback;
}

template <typename Work>
double bestOf(int runs, Work&& work) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) best = std::min(best, secondsOf(work));
    return best;
}

// The ffmpeg tool's segment of the same span: picture copied, sound to AAC stereo.
std::string toolSegment(const fs::path& film, double start, const fs::path& out) {
    return "ffmpeg -loglevel error -y -ss " + std::to_string(start) + " -i " + shellWord(film) +
           " -t 4 -c:v copy -c:a aac -ac 2 -ar 48000 -f mpegts " + shellWord(out);
}

void measure(const fs::path& film, int runs) {
    SegmentPlan plan;
    const double probing = bestOf(runs, [&] {
        const ProbeResult probed = probeStreams(film);
        if (!probed.facts) throw std::runtime_error(probed.failure);
        plan = planSegments(probed.facts->keyFrames, probed.facts->durationSeconds);
    });
    const auto file = platform::RegularFileReader::open(film);
    const std::size_t middle = plan.starts.size() / 2;
    const auto segment = [&](std::size_t k) {
        return bestOf(runs, [&] {
            if (remuxSegment(*file, film, plan, k, true).bytes.empty()) throw std::runtime_error("no segment");
        });
    };
    const auto tool = [&](std::size_t k) {
        return bestOf(runs, [&] { runShell(toolSegment(film, plan.starts[k], film.parent_path() / "tool.ts")); });
    };
    std::printf(
        "%-4s probe and playlist %4.0f ms; first segment %4.0f ms (ffmpeg tool %4.0f ms); "
        "middle segment %4.0f ms (ffmpeg tool %4.0f ms); %zu segments\n",
        film.extension().string().c_str() + 1, probing * 1000, segment(0) * 1000, tool(0) * 1000,
        segment(middle) * 1000, tool(middle) * 1000, plan.starts.size());
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = option(argc, argv, "--seconds", 60);
    const int runs = option(argc, argv, "--runs", 5);
    const fs::path folder =
        fs::temp_directory_path() / ("vomra-playback-bench-" + std::to_string(std::random_device{}()));
    fs::create_directories(folder);
    try {
        const fs::path mkv = folder / "film.mkv";
        runShell("ffmpeg -loglevel error -f lavfi -i testsrc2=s=1920x1080:r=25:d=" + std::to_string(seconds) +
                 " -f lavfi -i sine=d=" + std::to_string(seconds) +
                 " -ac 6 -c:v libx264 -preset ultrafast -g 50 -c:a ac3 " + shellWord(mkv));
        runShell("ffmpeg -loglevel error -i " + shellWord(mkv) + " -c copy " + shellWord(folder / "film.ts"));
        measure(mkv, runs);
        measure(folder / "film.ts", runs);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "playback_bench: %s\n", error.what());
        fs::remove_all(folder);
        return 1;
    }
    fs::remove_all(folder);
}
