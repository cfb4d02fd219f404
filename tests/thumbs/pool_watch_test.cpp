// Videos that appear while the pool runs: each is rendered once it has
// stopped growing, and the counters count it.
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

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
