#pragma once
// The pool of two workers that renders one PNG still of every video of the
// shared folder into the mirror tree below the thumbnail root.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "thumbs/png_bytes.h"

// How far the stills have come; read from the pool's counters at any time.
struct ThumbnailProgress {
    std::uint64_t total = 0;     // videos found
    std::uint64_t finished = 0;  // videos handled, failed ones included
    std::uint64_t failed = 0;
};

class ThumbnailPool {
public:
    using Path = std::filesystem::path;
    // Renders one still as a PNG file in memory, empty on failure; the
    // default is captureFrame. Tests give their own.
    using CaptureFunction = std::function<PngBytes(const ThumbnailPool&, const Path& video)>;

    ThumbnailPool();
    ~ThumbnailPool();
    ThumbnailPool(const ThumbnailPool&) = delete;
    ThumbnailPool& operator=(const ThumbnailPool&) = delete;

    // Starts threadCount workers over `pending`, and with a rescan interval
    // the watch for new videos.
    void startWorkers();
    // Sets the stop flag and joins every worker; a capture that is running
    // gives up at once and leaves no still, not even a temporary file.
    void stop();
    void workerLoop();
    // Rescans sourceRoot every rescanInterval and hands the videos not
    // `known`, once they are no longer being written, to the workers.
    void watchLoop(const std::vector<Path>& known);

    // Decodes the key frame at captureSeconds (passing over flat pictures)
    // and encodes it as a width x height PNG. Empty on any failure and when
    // the stop flag is set.
    PngBytes captureFrame(const Path& videoPath) const;

    // The counters as they stand; the workers update them, any thread reads them.
    ThumbnailProgress progress() const;

    Path sourceRoot;
    Path outputRoot;
    std::vector<Path> pending;  // a stack: taken from the end
    std::vector<std::thread> workers;
    std::thread watcher;
    std::mutex queueMutex;
    std::condition_variable queueChanged;  // a video added, or the stop flag set
    // Zero: the workers end when `pending` is empty. Otherwise they wait for
    // the videos the watch finds, until the pool stops.
    std::chrono::milliseconds rescanInterval{0};
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

// A pool at work over `folder`, its stills below folder/VTemp, after removing
// the temporary stills an interrupted run left. Subfolders that may not be
// read are skipped and added to `unreadable`. Raises the scan's
// filesystem_error.
std::unique_ptr<ThumbnailPool> startThumbnails(const std::filesystem::path& folder, std::int32_t captureSeconds,
                                               std::vector<std::filesystem::path>& unreadable);
