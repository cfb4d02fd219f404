// What the playback helper costs on 1080p films of D seconds (default 60).
// Repackaging: H.264 with AC-3 5.1 sound, in Matroska and in MPEG-TS (which
// has no index, so its key frames take one pass over the packets): the probe
// and the playlist, the first segment, and one from the middle (a seek), the
// sound converted to AAC; best of R runs (default 5), the file in the page
// cache. Converting: Xvid with MP3 sound in AVI to 720p: the first segment
// from the start and from the middle, the whole film alone and beside a
// repackaging of the Matroska film, and the memory at its peak. Beside each
// figure the ffmpeg tool doing the same job from its command line.
//
//   playback_bench [--seconds D] [--runs R]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include <sys/resource.h>

extern "C" {
#include <libavutil/log.h>
}

#include "playback/media_probe.h"
#include "playback/segment_maker.h"
#include "playback/segment_plan.h"
#include "playback/transcode_run.h"
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

// Converts `film` from segment `first`: the seconds until that segment is
// made, and until the film's end (0 when `whole` is false).
std::pair<double, double> transcodeTimes(const fs::path& film, const SegmentPlan& plan, std::size_t first, bool whole) {
    const auto file = platform::RegularFileReader::open(film);
    const std::atomic<bool> stop{false};
    const auto start = std::chrono::steady_clock::now();
    double firstMade = 0;
    transcodeSegments(*file, film, plan, first, stop, [&](std::size_t, std::string&&) {
        if (firstMade == 0) firstMade = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return whole;
    });
    return {firstMade, whole ? std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() : 0};
}

// Every segment of `film` repackaged in order: the seconds it takes.
double remuxWhole(const fs::path& film) {
    const ProbeResult probed = probeStreams(film);
    const SegmentPlan plan = planSegments(probed.facts->keyFrames, probed.facts->durationSeconds);
    const auto file = platform::RegularFileReader::open(film);
    return secondsOf([&] {
        for (std::size_t k = 0; k < plan.starts.size(); ++k) remuxSegment(*file, film, plan, k, true);
    });
}

// The ffmpeg tool converting the same way: x264 "veryfast" without
// look-ahead to 720p, AAC stereo, MPEG-TS.
std::string toolTranscode(const fs::path& film, double start, double seconds) {
    return "ffmpeg -loglevel error -y -ss " + std::to_string(start) + " -i " + shellWord(film) + " -t " +
           std::to_string(seconds) +
           " -vf scale=-2:720 -c:v libx264 -preset veryfast -tune zerolatency -crf 23 -c:a aac -ac 2 -ar 48000"
           " -f mpegts /dev/null";
}

void measureTranscode(const fs::path& film, const fs::path& remuxFilm, int runs) {
    const ProbeResult probed = probeStreams(film);
    if (!probed.facts) throw std::runtime_error(probed.failure);
    const SegmentPlan plan = planSegments({}, probed.facts->durationSeconds);
    const double duration = probed.facts->durationSeconds;
    const std::size_t middle = plan.starts.size() / 2;
    const auto firstSegment = [&](std::size_t k) {
        return bestOf(runs, [&] { transcodeTimes(film, plan, k, false); });
    };
    const auto toolSegment = [&](std::size_t k) {
        return bestOf(runs, [&] { runShell(toolTranscode(film, plan.starts[k], kSegmentSeconds)); });
    };
    std::printf(
        "avi  converted: first segment %4.0f ms (ffmpeg tool %4.0f ms); middle segment %4.0f ms "
        "(ffmpeg tool %4.0f ms)\n",
        firstSegment(0) * 1000, toolSegment(0) * 1000, firstSegment(middle) * 1000, toolSegment(middle) * 1000);
    const double alone = transcodeTimes(film, plan, 0, true).second;
    const double tool = secondsOf([&] { runShell(toolTranscode(film, 0, duration)); });
    double remuxed = 0;
    std::thread remux([&] { remuxed = remuxWhole(remuxFilm); });
    const double beside = transcodeTimes(film, plan, 0, true).second;
    remux.join();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf(
        "avi  converted whole: %.1f x real time (ffmpeg tool %.1f x); beside a repackaging %.1f x, "
        "the repackaging %.1f x; memory at its peak %ld MB\n",
        duration / alone, duration / tool, duration / beside, duration / remuxed, usage.ru_maxrss / 1024);
}

}  // namespace

int main(int argc, char** argv) {
    av_log_set_level(AV_LOG_ERROR);  // no encoder statistics between the figures
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
        const fs::path avi = folder / "film.avi";
        runShell("ffmpeg -loglevel error -f lavfi -i testsrc2=s=1920x1080:r=25:d=" + std::to_string(seconds) +
                 " -f lavfi -i sine=d=" + std::to_string(seconds) + " -c:v mpeg4 -vtag XVID -q:v 4 -c:a libmp3lame " +
                 shellWord(avi));
        measureTranscode(avi, mkv, runs);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "playback_bench: %s\n", error.what());
        fs::remove_all(folder);
        return 1;
    }
    fs::remove_all(folder);
}
