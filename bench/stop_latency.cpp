#include "stop_latency.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "shell.h"
#include "thumbs/thumbnail_pool.h"

namespace {

// Waits until the pool has handled every video it found.
void waitForStills(const ThumbnailPool& pool) {
    while (!pool.progress().allHandled()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace

StopLatency measureStopLatency(const std::filesystem::path& videos, int trials) {
    ThumbnailPool::Options options;
    options.sharedFolder = videos;
    const std::filesystem::path stills = videos / kStillFolderName;
    StopLatency latency;
    {
        ThumbnailPool pool(options);
        latency.captureSeconds = secondsOf([&] {
            pool.start();
            waitForStills(pool);
        });
    }
    for (int trial = 0; trial < trials; ++trial) {
        // Each trial renders every still again.
        std::filesystem::remove_all(stills);
        ThumbnailPool pool(options);
        pool.start();
        std::this_thread::sleep_for(
            std::chrono::duration<double>(0.8 * latency.captureSeconds * (trial + 0.5) / trials));
        latency.stopsDuringCaptures += pool.progress().finished == 0;
        latency.stopSeconds.push_back(secondsOf([&] { pool.stop(); }));
    }
    std::sort(latency.stopSeconds.begin(), latency.stopSeconds.end());
    return latency;
}
