#pragma once
// The pool of two workers that renders one PNG still of every video of the
// shared folder into the mirror tree below the thumbnail root.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "config/share_service.h"

// How far the stills have come; read from the pool's counters at any time.
struct ThumbnailProgress {
    std::uint64_t total = 0;     // videos found
    std::uint64_t finished = 0;  // videos handled, failed ones included
    std::uint64_t failed = 0;
};

class ThumbnailPool {
public:
    using Path = std::filesystem::path;
    // Renders one still; the default is captureFrame. Tests give their own.
    using CaptureFunction = std::function<bool(const ThumbnailPool&, const Path& video, const Path& png)>;

    ThumbnailPool();
    ~ThumbnailPool();
    ThumbnailPool(const ThumbnailPool&) = delete;
    ThumbnailPool& operator=(const ThumbnailPool&) = delete;

    // Starts threadCount workers over `pending`.
    void startWorkers();
    // Sets the stop flag and joins every worker; each finishes its current still.
    void stop();
    void workerLoop();

    // Decodes the key frame at captureSeconds (passing over flat pictures)
    // and writes a width x height PNG to pngPath. Never leaves a partial
    // file; returns false on any failure and when the stop flag is set.
    bool captureFrame(const Path& videoPath, const Path& pngPath) const;

    // The counters as they stand; the workers update them, any thread reads them.
    ThumbnailProgress progress() const;

    Path sourceRoot;
    Path outputRoot;
    std::vector<Path> pending;  // a stack: taken from the end
    std::vector<std::thread> workers;
    std::mutex queueMutex;
    std::mutex pauseMutex;
    std::condition_variable resumeCondition;
    std::atomic<bool> paused{false};
    std::atomic<bool> stopRequested{false};
    std::atomic<std::uint64_t> videosFound{0};
    std::atomic<std::uint64_t> videosFinished{0};
    std::atomic<std::uint64_t> videosFailed{0};
    std::uint64_t threadCount = 2;
    std::int32_t captureSeconds = 0;  // the still's moment; 0: the start
    std::int32_t width = 640;
    std::int32_t height = 360;
    std::function<void(const Path& outputPath, bool success)> onFinished;
    CaptureFunction capture;
};

// Replaces any running pool with a new one over the current shared folder.
// Subfolders that may not be read are skipped and returned. Raises the
// scan's filesystem_error; no pool exists then.
std::vector<std::filesystem::path> startThumbnails(ShareService& service);

// Stops and destroys the pool, if there is one.
void stopThumbnails(ShareService& service);
