#pragma once
// A pool over a scratch shared folder whose frame capture is a stand-in, so
// the pool's own logic is tested without decoding: the stand-in gives a
// marker still (optionally waiting at a gate first) and records what it was
// asked for.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <ostream>
#include <set>
#include <thread>
#include <string>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "tests/thumbs/scratch_folder.h"
#include "thumbs/thumbnail_pool.h"
#include "thumbs/video_discovery.h"

inline void PrintTo(const StillFailure& failure, std::ostream* out) {
    *out << failure.video << ": " << failure.reason;
}

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
    // Videos whose capture fails, for kFakeFailure, without writing anything.
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

    // Whether the pool has asked a capture begun so far to stop.
    bool stopAsked() const {
        std::lock_guard lock(mutex_);
        return stop_ && *stop_;
    }
    void waitForStopAsked() const {
        while (!stopAsked()) std::this_thread::yield();
    }

    ThumbnailPool::CaptureFunction function() {
        return [this](const Path& video, const platform::RegularFileReader&, const std::atomic<bool>& stop) {
            return capture(video, stop);
        };
    }

    static constexpr const char* kFakeFailure = "the fake capture failed";

private:
    StillCapture capture(const Path& video, const std::atomic<bool>& stop) {
        std::unique_lock lock(mutex_);
        stop_ = &stop;
        begun_.push_back(video);
        changed_.notify_all();
        if (failing_.count(video)) return {{}, kFakeFailure};
        changed_.wait(lock, [&] { return gateOpen_; });
        return {stillBytes(markerFor(video)), {}};
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool gateOpen_ = true;
    std::set<Path> failing_;
    std::vector<Path> begun_;
    const std::atomic<bool>* stop_ = nullptr;  // the pool's, which outlives every capture
};

class PoolTest : public ::testing::Test {
protected:
    using Path = std::filesystem::path;

    // Opens the gate first, so that no worker is left waiting at it.
    void TearDown() override {
        fake.openGate();
        pool.reset();
    }

    // The options of a pool over the shared folder with the fake capture.
    ThumbnailPool::Options options(unsigned threads = 2) {
        return {.sharedFolder = share, .threadCount = threads, .capture = fake.function()};
    }

    // A started pool; what it started over is in its progress.
    ThumbnailPool& startPool(ThumbnailPool::Options settings) {
        pool = std::make_unique<ThumbnailPool>(std::move(settings));
        pool->start();
        return *pool;
    }
    ThumbnailPool& startPool(unsigned threads = 2) { return startPool(options(threads)); }

    // Waits (a minute at most) until the pool has handled every video found.
    bool waitForStills() const {
        const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (!pool->progress().allHandled()) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }
    // Starts a pool over the shared folder and waits until every video is handled.
    ThumbnailPool& runToEnd(unsigned threads = 2) {
        startPool(threads);
        EXPECT_TRUE(waitForStills());
        return *pool;
    }

    // The failures the pool reported, in the order of the videos' paths.
    std::vector<StillFailure> failuresByVideo() const {
        std::vector<StillFailure> failures = pool->failures();
        std::sort(failures.begin(), failures.end(),
                  [](const StillFailure& a, const StillFailure& b) { return a.video < b.video; });
        return failures;
    }

    ScratchFolder scratch;
    const Path share = scratch.directory("share");
    const Path thumbs = share / "VTemp";
    FakeCapture fake;
    std::unique_ptr<ThumbnailPool> pool;
};
