// The order in which the workers take videos, and how they stop.
#include <gtest/gtest.h>

#include <future>
#include <new>
#include <system_error>

#include "tests/thumbs/pool_fixture.h"

namespace fs = std::filesystem;

using PoolWorkers = PoolTest;
using Paths = std::vector<fs::path>;

namespace {

Paths reversed(Paths paths) {
    std::reverse(paths.begin(), paths.end());
    return paths;
}

}  // namespace

TEST_F(PoolWorkers, TakeTheVideoFoundLastFirst) {
    for (const char* name : {"a/one.mp4", "two.mkv", "b/c/three.avi", "four.mov", "five.flv"})
        scratch.file(fs::path("share") / name);
    const Paths found = scanVideos(share);
    makePool(found, 1);
    runToEnd();
    EXPECT_EQ(fake.begun(), reversed(found));
}

TEST_F(PoolWorkers, ACaptureThatThrowsFailsItsVideoAndTheWorkerGoesOn) {
    Paths videos;
    for (const char* name : {"1.mp4", "2.mp4", "3.mp4", "4.mp4"})
        videos.push_back(scratch.file(fs::path("share") / name));
    // One worker, taking 4, 3, 2, 1: the throwing videos are not its last.
    ThumbnailPool& one = makePool(videos, 1);
    one.capture = [&, marker = one.capture](const ThumbnailPool& pool, const fs::path& video) {
        if (video == videos[2]) throw std::system_error(std::make_error_code(std::errc::io_error), "unreadable");
        if (video == videos[1]) throw std::bad_alloc();
        return marker(pool, video);
    };
    runToEnd();

    EXPECT_EQ(
        fake.finished(),
        (std::vector<Finished>{
            {thumbs / "4.png", true}, {thumbs / "3.png", false}, {thumbs / "2.png", false}, {thumbs / "1.png", true}}));
    EXPECT_EQ(contentsOf(thumbs / "1.png"), markerFor(videos[0]));
    EXPECT_EQ(contentsOf(thumbs / "4.png"), markerFor(videos[3]));
    EXPECT_EQ(std::distance(fs::directory_iterator(thumbs), {}), 2);
    const ThumbnailProgress progress = one.progress();
    EXPECT_EQ(progress.total, 4u);
    EXPECT_EQ(progress.finished, 4u);
    EXPECT_EQ(progress.failed, 2u);
}

TEST_F(PoolWorkers, StopLetsEachWorkerFinishItsStillAndTakesNoMore) {
    Paths videos;
    for (const char* name : {"1.mp4", "2.mp4", "3.mp4", "4.mp4", "5.mp4"})
        videos.push_back(scratch.file(fs::path("share") / name));
    fake.closeGate();
    makePool(videos).startWorkers();
    ASSERT_TRUE(fake.waitForCaptures(2));

    std::future<void> stopping = std::async(std::launch::async, [this] { pool->stop(); });
    while (!pool->stopRequested) std::this_thread::yield();
    EXPECT_EQ(stopping.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout)
        << "stop returned while two captures were running";
    fake.openGate();
    stopping.get();

    EXPECT_TRUE(pool->workers.empty());
    EXPECT_EQ(pool->pending, (Paths{videos[0], videos[1], videos[2]}));
    const std::vector<Finished> finished = fake.finished();
    ASSERT_EQ(finished.size(), 2u);
    for (const fs::path& video : {videos[3], videos[4]}) {
        const fs::path still = thumbs / video.filename().replace_extension(".png");
        EXPECT_EQ(contentsOf(still), markerFor(video));
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(thumbs), {}), 2);
}

TEST_F(PoolWorkers, PausedWorkersWakeUpForAStop) {
    scratch.file("share/clip.mp4");
    ThumbnailPool& paused = makePool();
    paused.paused = true;
    for (int i = 0; i < 2; ++i) paused.workers.emplace_back(&ThumbnailPool::workerLoop, &paused);

    std::future<void> stopping = std::async(std::launch::async, [&] { paused.stop(); });
    const bool stopped = stopping.wait_for(std::chrono::minutes(1)) == std::future_status::ready;
    if (!stopped) {
        paused.paused = false;
        paused.resumeCondition.notify_all();
    }
    stopping.get();
    EXPECT_TRUE(stopped) << "a paused worker slept through the stop";
    EXPECT_TRUE(fake.begun().empty());
    EXPECT_EQ(paused.pending.size(), 1u);
}
