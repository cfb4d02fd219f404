#pragma once
// A pool over a scratch shared folder whose frame capture is a stand-in, so
// the pool's own logic is tested without decoding: the stand-in gives a
// marker still (optionally waiting at a gate first) and records what the
// pool reported.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <string>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "tests/thumbs/scratch_folder.h"
#include "thumbs/thumbnail_pool.h"
#include "thumbs/video_discovery.h"

struct Finished {
    std::filesystem::path still;
    bool success;
    bool operator==(const Finished&) const = default;
};

// What a worker writes for a video: names the video, so a test can tell
// whole stills from half-written ones and which video made which still.
inline std::string markerFor(const std::filesystem::path& video) {
    return "still of " + video.string() + " end";
}

// `text` as the bytes of a still, in a buffer of the encoder's kind.
inline PngBytes stillBytes(const std::string& text) {
    auto* bytes = static_cast<unsigned char*>(std::malloc(text.size()));
    std::memcpy(bytes, text.data(), text.size());
    return PngBytes(bytes, text.size());
}

inline std::string contentsOf(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FakeCapture {
public:
    using Path = std::filesystem::path;

    // Captures wait before giving their still until the gate opens.
    void closeGate() {
        std::lock_guard lock(mutex_);
        gateOpen_ = false;
    }
    void openGate() {
        {
            std::lock_guard lock(mutex_);
            gateOpen_ = true;
        }
        changed_.notify_all();
    }
    // Videos whose capture fails without writing anything.
    void failFor(const Path& video) {
        std::lock_guard lock(mutex_);
        failing_.insert(video);
    }

    // Waits (a minute at most) until `count` captures have begun.
    bool waitForCaptures(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::minutes(1), [&] { return begun_.size() >= count; });
    }
    std::vector<Path> begun() const {
        std::lock_guard lock(mutex_);
        return begun_;
    }

    ThumbnailPool::CaptureFunction function() {
        return [this](const ThumbnailPool&, const Path& video) { return capture(video); };
    }

    void onFinished(const Path& still, bool success) {
        std::lock_guard lock(mutex_);
        finished_.push_back({still, success});
    }
    std::vector<Finished> finished() const {
        std::lock_guard lock(mutex_);
        return finished_;
    }

private:
    PngBytes capture(const Path& video) {
        std::unique_lock lock(mutex_);
        begun_.push_back(video);
        changed_.notify_all();
        if (failing_.count(video)) return {};
        changed_.wait(lock, [&] { return gateOpen_; });
        return stillBytes(markerFor(video));
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool gateOpen_ = true;
    std::set<Path> failing_;
    std::vector<Path> begun_;
    std::vector<Finished> finished_;
};

class PoolTest : public ::testing::Test {
protected:
    using Path = std::filesystem::path;

    // Opens the gate first, so that no worker is left waiting at it.
    void TearDown() override {
        fake.openGate();
        pool.reset();
    }

    // A pool over the shared folder's videos, in the order the scan found them.
    ThumbnailPool& makePool(std::uint64_t threads = 2) { return makePool(scanVideos(share), threads); }
    ThumbnailPool& makePool(std::vector<Path> videos, std::uint64_t threads = 2) {
        pool = std::make_unique<ThumbnailPool>();
        pool->sourceRoot = share;
        pool->outputRoot = thumbs;
        pool->pending = std::move(videos);
        pool->threadCount = threads;
        pool->capture = fake.function();
        pool->onFinished = [this](const Path& still, bool success) { fake.onFinished(still, success); };
        return *pool;
    }

    // Waits until the workers have run out of videos.
    void waitForWorkers() {
        for (std::thread& worker : pool->workers) worker.join();
    }
    void runToEnd() {
        pool->startWorkers();
        waitForWorkers();
    }

    // What the pool reported, in the order of the still paths.
    std::vector<Finished> finishedByPath() const {
        std::vector<Finished> finished = fake.finished();
        std::sort(finished.begin(), finished.end(),
                  [](const Finished& a, const Finished& b) { return a.still < b.still; });
        return finished;
    }

    ScratchFolder scratch;
    const Path share = scratch.directory("share");
    const Path thumbs = share / "VTemp";
    FakeCapture fake;
    std::unique_ptr<ThumbnailPool> pool;
};
