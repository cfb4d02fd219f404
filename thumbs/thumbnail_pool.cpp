#include "thumbs/thumbnail_pool.h"

#include <memory>
#include <optional>

extern "C" {
#include <libavformat/avformat.h>
}

#include "platform/heap_tuning.h"
#include "platform/paths.h"
#include "thumbs/atomic_file_write.h"
#include "thumbs/new_video_watch.h"
#include "thumbs/still_tree.h"
#include "thumbs/video_discovery.h"

namespace fs = std::filesystem;

namespace {

// A video that appears while the share runs is seen within one interval and
// settles at the next, so its still comes within about two intervals of its
// last write. A scan of 100,000 files takes well under 0.1 s.
constexpr std::chrono::seconds newVideoRescanInterval{4};

// A relative path that names something strictly below its base: not empty
// (different volumes), not the base itself, and never climbing out.
bool staysInside(const fs::path& relative) {
    if (relative.empty() || relative == ".") return false;
    for (const fs::path& element : relative)
        if (element == "..") return false;
    return true;
}

void waitWhilePaused(ThumbnailPool& pool) {
    if (!pool.paused) return;
    std::unique_lock lock(pool.pauseMutex);
    pool.resumeCondition.wait(lock, [&pool] { return !pool.paused || pool.stopRequested; });
}

// The next video; a watching pool waits for one until it stops.
std::optional<fs::path> takeVideo(ThumbnailPool& pool) {
    std::unique_lock lock(pool.queueMutex);
    if (pool.rescanInterval.count() > 0)
        pool.queueChanged.wait(lock, [&pool] { return pool.stopRequested || !pool.pending.empty(); });
    if (pool.stopRequested || pool.pending.empty()) return std::nullopt;
    fs::path video = std::move(pool.pending.back());
    pool.pending.pop_back();
    return video;
}

// The video's place in the folder, relative to it, with the last extension
// replaced by ".png": where its still goes below the output root. The
// video's directory is resolved, not the video itself, so a link gets its
// still where the link stands. Empty when the video has no place inside the
// shared folder.
fs::path relativeStillPathFor(const ThumbnailPool& pool, const fs::path& video) {
    const fs::path place = fs::weakly_canonical(video.parent_path()) / video.filename();
    const fs::path relative = place.lexically_relative(fs::weakly_canonical(pool.sourceRoot));
    if (!staysInside(relative)) return {};
    return fs::path(relative).replace_extension(".png");
}

enum class StillPlace { free, taken, blocked };

// Whether a still from an earlier run, or anything else, holds the still's
// place; an empty file does not count. No PNG is empty, but a power cut just
// after a still was renamed into place can leave its name with no content,
// which would otherwise stand in for the still for good. A link there is
// left alone and blocks the still.
StillPlace stillPlaceOf(const platform::LinkFreeDirectory& directory, const fs::path& name) {
    const platform::EntryStatus status = directory.status(name);
    switch (status.kind) {
        case platform::EntryKind::missing:
            return StillPlace::free;
        case platform::EntryKind::link:
            return StillPlace::blocked;
        case platform::EntryKind::regularFile:
            return status.size == 0 ? StillPlace::free : StillPlace::taken;
        default:
            return StillPlace::taken;
    }
}

// Renders the still at `relative` below the output root unless something
// is already in its place. Nothing is made or written through a link.
bool renderStillAt(ThumbnailPool& pool, const fs::path& video, const fs::path& relative) {
    const auto directory = openStillDirectory(pool.outputRoot, relative);
    if (!directory) return false;
    const fs::path name = relative.filename();
    switch (stillPlaceOf(*directory, name)) {
        case StillPlace::taken:
            return true;
        case StillPlace::blocked:
            return false;
        case StillPlace::free:
            break;
    }
    const PngBytes png = pool.capture(pool, video);
    return !png.view().empty() && writeFileAtomically(*directory, name, png.view());
}

// Renders one video's still. Any exception (a file-system failure, memory
// running out) counts the video as failed, and the worker goes on with the
// next one instead of letting it end the program.
void renderStill(ThumbnailPool& pool, const fs::path& video) {
    fs::path still;
    bool success = false;
    try {
        const fs::path relative = relativeStillPathFor(pool, video);
        if (!relative.empty()) {
            still = pool.outputRoot / relative;
            success = renderStillAt(pool, video, relative);
        }
    } catch (...) {
        // reported below as a failed video
    }
    if (!success) ++pool.videosFailed;
    ++pool.videosFinished;
    if (pool.onFinished) pool.onFinished(still, success);
}

}  // namespace

ThumbnailPool::ThumbnailPool() : capture(&ThumbnailPool::captureFrame) {
    avformat_network_init();
    platform::keepFreedMemory();
}

ThumbnailPool::~ThumbnailPool() {
    stop();
    avformat_network_deinit();
}

void ThumbnailPool::startWorkers() {
    paused = false;
    stopRequested = false;
    videosFound = pending.size();
    // The watch knows the videos found so far before any worker takes one.
    if (rescanInterval.count() > 0) watcher = std::thread(&ThumbnailPool::watchLoop, this, pending);
    for (std::uint64_t i = 0; i < threadCount; ++i) workers.emplace_back(&ThumbnailPool::workerLoop, this);
}

void ThumbnailPool::stop() {
    {
        // Taken so that a worker between its test of the flags and its wait
        // cannot miss the wake-up.
        std::scoped_lock lock(pauseMutex, queueMutex);
        stopRequested = true;
    }
    resumeCondition.notify_all();
    queueChanged.notify_all();
    for (std::thread& worker : workers)
        if (worker.joinable()) worker.join();
    workers.clear();
    if (watcher.joinable()) watcher.join();
}

void ThumbnailPool::watchLoop(const std::vector<Path>& known) {
    NewVideoWatch watch(known);
    std::unique_lock lock(queueMutex);
    while (!queueChanged.wait_for(lock, rescanInterval, [this] { return stopRequested.load(); })) {
        lock.unlock();
        std::vector<Path> ready;
        try {
            ready = watch.settled(scanVideos(sourceRoot));
        } catch (...) {
            // The folder could not be walked this time; the next scan tries again.
        }
        lock.lock();
        if (ready.empty()) continue;
        videosFound += ready.size();
        pending.insert(pending.end(), ready.begin(), ready.end());
        queueChanged.notify_all();
    }
}

ThumbnailProgress ThumbnailPool::progress() const {
    return {videosFound.load(), videosFinished.load(), videosFailed.load()};
}

// A worker that ends gives back the memory the heap kept for the decoders,
// so a share that runs on holds no more than it needs.
void ThumbnailPool::workerLoop() {
    while (!stopRequested) {
        waitWhilePaused(*this);
        if (stopRequested) break;
        const std::optional<Path> video = takeVideo(*this);
        if (!video) break;
        renderStill(*this, *video);
    }
    platform::releaseFreedMemory();
}

std::unique_ptr<ThumbnailPool> startThumbnails(const fs::path& folder, std::int32_t captureSeconds,
                                               std::vector<fs::path>& unreadable) {
    std::vector<fs::path> videos = scanVideos(folder, &unreadable);
    auto pool = std::make_unique<ThumbnailPool>();
    pool->sourceRoot = folder;
    pool->outputRoot = folder / "VTemp";
    removeTemporaryStills(pool->outputRoot);
    pool->captureSeconds = captureSeconds;
    pool->rescanInterval = newVideoRescanInterval;
    pool->pending = std::move(videos);
    pool->startWorkers();
    return pool;
}
