// Videos that appear while the pool runs: each is rendered once it has
// stopped growing, and the counters count it.
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "tests/thumbs/capture_test_support.h"
#include "tests/thumbs/locked_directory.h"
#include "tests/thumbs/pool_fixture.h"
#include "thumbs/new_video_watch.h"

namespace fs = std::filesystem;

using PoolWatch = PoolTest;

namespace {

void append(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary | std::ios::app) << text;
}

}  // namespace

TEST_F(PoolWatch, AVideoIsHandedOutOnceItHasSettledAndNeverAgain) {
    const fs::path old = scratch.file("share/old.mp4");
    const fs::path copied = scratch.file("share/copied.mkv");
    NewVideoWatch watch({old});
    EXPECT_TRUE(watch.settled({old, copied}).empty()) << "seen once is not settled";
    append(copied, "more bytes");
    EXPECT_TRUE(watch.settled({old, copied}).empty()) << "still growing";
    EXPECT_EQ(watch.settled({old, copied}), std::vector<fs::path>{copied});
    EXPECT_TRUE(watch.settled({old, copied}).empty()) << "handed out twice";
}

TEST_F(PoolWatch, NewVideosGetTheirStillsWhileThePoolRuns) {
    scratch.file("share/first.mp4");
    ThumbnailPool::Options settings = options();
    settings.rescanInterval = std::chrono::milliseconds(40);
    ThumbnailPool& running = startPool(std::move(settings));
    ASSERT_TRUE(fake.waitForCaptures(1));

    // Written a piece at a time, as a copy does: no capture while it grows.
    const fs::path growing = share / "sub" / "growing.mp4";
    fs::create_directories(growing.parent_path());
    for (int piece = 0; piece < 10; ++piece) {
        append(growing, "piece " + std::to_string(piece));
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
        EXPECT_EQ(fake.begun().size(), 1u) << "captured while being written, after piece " << piece;
    }
    ASSERT_TRUE(fake.waitForCaptures(2));
    EXPECT_EQ(fake.begun().back(), growing);
    running.stop();
    EXPECT_EQ(contentsOf(thumbs / "sub" / "growing.png"), markerFor(growing));
    const ThumbnailProgress progress = running.progress();
    EXPECT_EQ(progress.total, 2u);
    EXPECT_EQ(progress.finished, 2u);
    EXPECT_EQ(progress.failed, 0u);
}

// The rescan skips what it may not read, as the start does, and goes on.
TEST_F(PoolWatch, AnUnreadableSubfolderDoesNotKeepNewVideosFromTheirStills) {
    scratch.file("share/closed/old.mp4");
    LockedDirectory lock(share / "closed");
    if (!lock.holdsBack()) return runThisTestAsNobody();
    ThumbnailPool::Options settings = options();
    settings.rescanInterval = std::chrono::milliseconds(20);
    startPool(std::move(settings));

    const fs::path fresh = scratch.file("share/open/new.mp4", "a new video");
    ASSERT_TRUE(fake.waitForCaptures(1));
    EXPECT_EQ(fake.begun(), std::vector<fs::path>{fresh});
    pool->stop();
    EXPECT_EQ(contentsOf(thumbs / "open/new.png"), markerFor(fresh));
}

TEST_F(PoolWatch, AFailedVideoIsHandedOutAgainOnceItHasChangedAndSettled) {
    const fs::path video = scratch.file("share/copy.mp4", "the first part");
    NewVideoWatch watch({video});
    watch.retryWhenChanged(video, *lookOf(video));
    EXPECT_TRUE(watch.settled({video}).empty()) << "handed out again unchanged";
    append(video, " and the rest");
    EXPECT_TRUE(watch.settled({video}).empty()) << "changed, but not yet settled";
    EXPECT_EQ(watch.settled({video}), std::vector<fs::path>{video});
    EXPECT_TRUE(watch.settled({video}).empty()) << "handed out twice";
}

// A copy that pauses for longer than the rescan: the part first written
// fails (an MP4 whose index comes last), and the whole file, once it is
// there, gets its still.
TEST_F(PoolWatch, AVideoCopiedInBurstsGetsItsStillAfterTheCopyGoesOn) {
    const std::string whole = contentsOf(fixture("clip.mp4"));
    const fs::path video = share / "copied.mp4";
    ThumbnailPool::Options settings = options();
    settings.capture = nullptr;  // the real capture
    settings.rescanInterval = std::chrono::milliseconds(20);
    startPool(std::move(settings));

    append(video, whole.substr(0, whole.size() / 2));
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (pool->failures().empty() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(pool->failures().size(), 1u) << "the first part was not tried";
    EXPECT_EQ(pool->failures()[0].video, video);

    append(video, whole.substr(whole.size() / 2));
    while (!fs::exists(thumbs / "copied.png") && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(waitForStills());
    EXPECT_EQ(readPng(thumbs / "copied.png").width, 640);
    EXPECT_EQ(pool->failures(), std::vector<StillFailure>{});
    const ThumbnailProgress progress = pool->progress();
    EXPECT_EQ(progress.total, 1u);
    EXPECT_EQ(progress.finished, 1u);
    EXPECT_EQ(progress.failed, 0u);
}
