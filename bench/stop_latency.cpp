#include "stop_latency.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "shell.h"
#include "thumbs/thumbnail_pool.h"
#include "thumbs/video_discovery.h"

namespace {

// A pool over the videos, rendering into `stills`, that counts its stills.
void preparePool(ThumbnailPool& pool, const std::filesystem::path& videos, const std::filesystem::path& stills,
                 std::atomic<int>& finished) {
    pool.sourceRoot = videos;
    pool.outputRoot = stills;
    pool.pending = scanVideos(videos);
    pool.onFinished = [&finished](const ThumbnailPool::Path&, bool) { ++finished; };
}

}  // namespace

StopLatency measureStopLatency(const std::filesystem::path& videos, const std::filesystem::path& work, int trials) {
    StopLatency latency;
    {
        ThumbnailPool pool;
        std::atomic<int> finished{0};
        preparePool(pool, videos, work / "undisturbed", finished);
        const int count = static_cast<int>(pool.pending.size());
        latency.captureSeconds = secondsOf([&] {
            pool.startWorkers();
            while (finished < count) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
    }
    for (int trial = 0; trial < trials; ++trial) {
        ThumbnailPool pool;
        std::atomic<int> finished{0};
        preparePool(pool, videos, work / ("stopped" + std::to_string(trial)), finished);
        pool.startWorkers();
        std::this_thread::sleep_for(
            std::chrono::duration<double>(0.8 * latency.captureSeconds * (trial + 0.5) / trials));
        latency.stopsDuringCaptures += finished == 0;
        latency.stopSeconds.push_back(secondsOf([&] { pool.stop(); }));
    }
    std::sort(latency.stopSeconds.begin(), latency.stopSeconds.end());
    return latency;
}
