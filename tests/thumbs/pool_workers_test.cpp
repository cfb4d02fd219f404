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
    runToEnd(1);
    EXPECT_EQ(fake.begun(), reversed(found));
}

TEST_F(PoolWorkers, ACaptureThatThrowsFailsItsVideoAndTheWorkerGoesOn) {
    Paths videos;
    for (const char* name : {"1.mp4", "2.mp4", "3.mp4", "4.mp4"})
        videos.push_back(scratch.file(fs::path("share") / name));
    ThumbnailPool::Options settings = options(1);
    settings.capture = [&, marker = settings.capture](const fs::path& video, const platform::RegularFileReader& file,
                                                      const std::atomic<bool>& stop) {
        if (video == videos[2]) throw std::system_error(std::make_error_code(std::errc::io_error), "unreadable");
        if (video == videos[1]) throw std::bad_alloc();
        return marker(video, file, stop);
    };
    startPool(std::move(settings));
    ASSERT_TRUE(waitForStills());

    const std::vector<StillFailure> failures = failuresByVideo();
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0].video, videos[1]);
    EXPECT_EQ(failures[1].video, videos[2]);
    EXPECT_NE(failures[1].reason.find("unreadable"), std::string::npos) << failures[1].reason;
    EXPECT_EQ(contentsOf(thumbs / "1.png"), markerFor(videos[0]));
    EXPECT_EQ(contentsOf(thumbs / "4.png"), markerFor(videos[3]));
    EXPECT_EQ(std::distance(fs::directory_iterator(thumbs), {}), 2);
    const ThumbnailProgress progress = pool->progress();
    EXPECT_EQ(progress.total, 4u);
    EXPECT_EQ(progress.finished, 4u);
    EXPECT_EQ(progress.failed, 2u);
}

TEST_F(PoolWorkers, StopLetsEachWorkerFinishItsStillAndTakesNoMore) {
    for (const char* name : {"1.mp4", "2.mp4", "3.mp4", "4.mp4", "5.mp4"}) scratch.file(fs::path("share") / name);
    fake.closeGate();
    startPool();
    ASSERT_TRUE(fake.waitForCaptures(2));

    std::future<void> stopping = std::async(std::launch::async, [this] { pool->stop(); });
    fake.waitForStopAsked();
    EXPECT_EQ(stopping.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout)
        << "stop returned while two captures were running";
    fake.openGate();
    stopping.get();

    const Paths begun = fake.begun();
    ASSERT_EQ(begun.size(), 2u);
    EXPECT_EQ(pool->progress().finished, 2u);
    for (const fs::path& video : begun) {
        const fs::path still = thumbs / video.filename().replace_extension(".png");
        EXPECT_EQ(contentsOf(still), markerFor(video));
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(thumbs), {}), 2);
}

TEST_F(PoolWorkers, DestroyingARunningPoolStopsIt) {
    for (const char* name : {"1.mp4", "2.mp4", "3.mp4"}) scratch.file(fs::path("share") / name);
    fake.closeGate();
    startPool(1);
    ASSERT_TRUE(fake.waitForCaptures(1));

    std::future<void> ending = std::async(std::launch::async, [this] { pool.reset(); });
    fake.waitForStopAsked();
    EXPECT_EQ(ending.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout)
        << "the pool was destroyed under a running capture";
    fake.openGate();
    ending.get();
    EXPECT_EQ(fake.begun().size(), 1u) << "the worker took another video after the stop";
}

TEST_F(PoolWorkers, HeldBackTheyBeginNoStillUntilLetGo) {
    scratch.file("share/film.mp4");
    std::atomic<bool> watching{true};
    ThumbnailPool::Options settings = options(1);
    settings.holdBack = [&] { return watching.load(); };
    startPool(std::move(settings));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(fake.begun().empty());
    watching = false;
    EXPECT_TRUE(waitForStills());
    EXPECT_EQ(fake.begun().size(), 1u);
}
