#include "pool_render.h"

#include <condition_variable>
#include <fstream>
#include <iostream>
#include <mutex>
#include <stdexcept>
#include <string>

#include "shell.h"
#include "thumbs/thumbnail_pool.h"
#include "thumbs/video_discovery.h"

namespace {

// The process's peak resident size, from Linux's /proc.
long peakResidentKib() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

class Countdown {
public:
    explicit Countdown(std::size_t count) : left(count) {}
    void done() {
        std::lock_guard lock(mutex);
        if (--left == 0) finished.notify_all();
    }
    void wait() {
        std::unique_lock lock(mutex);
        finished.wait(lock, [&] { return left == 0; });
    }

private:
    std::mutex mutex;
    std::condition_variable finished;
    std::size_t left;
};

}  // namespace

int renderWithPool(const std::filesystem::path& videos, const std::filesystem::path& stills) {
    ThumbnailPool pool;
    pool.sourceRoot = videos;
    pool.outputRoot = stills;
    pool.pending = scanVideos(videos);
    const std::size_t count = pool.pending.size();
    Countdown countdown(count);
    std::mutex failureMutex;
    int failed = 0;
    pool.onFinished = [&](const ThumbnailPool::Path&, bool success) {
        if (!success) {
            std::lock_guard lock(failureMutex);
            ++failed;
        }
        countdown.done();
    };
    const double seconds = secondsOf([&] {
        pool.startWorkers();
        countdown.wait();
    });
    pool.stop();
    std::cout << "videos " << count << " failed " << failed << " seconds " << seconds << " peak_kib "
              << peakResidentKib() << "\n";
    return 0;
}

PoolReport readPoolReport(const std::filesystem::path& file) {
    std::ifstream in(file);
    PoolReport report;
    std::string videosWord, failedWord, secondsWord, peakWord;
    in >> videosWord >> report.videos >> failedWord >> report.failed >> secondsWord >> report.seconds >> peakWord >>
        report.peakKib;
    if (!in || videosWord != "videos" || peakWord != "peak_kib")
        throw std::runtime_error("no report from the pool in " + file.string());
    return report;
}
