// startThumbnails over a shared folder, and the end of the pool it makes.
#include <gtest/gtest.h>

#include <future>

#include "config/install_paths.h"
#include "tests/thumbs/capture_test_support.h"
#include "tests/thumbs/locked_directory.h"
#include "tests/thumbs/pool_fixture.h"

namespace {

class ThumbnailService : public PoolTest {
protected:
    void TearDown() override {
        fake.openGate();
        running.reset();
    }

    // As a Start does: the old pool ends before the new one begins.
    std::vector<fs::path> start() {
        running.reset();
        std::vector<fs::path> unreadable;
        running = startThumbnails(folder, seconds, unreadable);
        return unreadable;
    }

    // A pool of the fake capture, installed as if a Start had made it.
    void installRunningPool(std::vector<fs::path> videos) {
        makePool(std::move(videos)).startWorkers();
        running = std::move(pool);
    }

    // Waits until the started pool has handled `count` videos.
    void waitForStills(std::uint64_t count) {
        while (running->progress().finished < count) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    std::unique_ptr<ThumbnailPool> running;
    fs::path folder = share;
    std::int32_t seconds = 0;
};

}  // namespace

TEST_F(ThumbnailService, StartMakesTwoWorkersOverTheSharedFolder) {
    seconds = 30;
    start();
    ASSERT_NE(running, nullptr);
    const ThumbnailPool& started = *running;
    EXPECT_EQ(started.sourceRoot, share);
    EXPECT_EQ(started.outputRoot, thumbs);
    EXPECT_EQ(started.workers.size(), 2u);
    EXPECT_EQ(started.captureSeconds, 30) << "the still is taken at the seconds box's time";
    EXPECT_EQ(started.width, 640);
    EXPECT_EQ(started.height, 360);
}

TEST_F(ThumbnailService, ANonAsciiSharedFolderWorks) {
    folder = scratch.directory(fs::path(u8"共享 电影"));
    start();
    ASSERT_NE(running, nullptr);
    EXPECT_EQ(running->sourceRoot, folder);
    EXPECT_EQ(running->outputRoot, folder / "VTemp");
}

TEST_F(ThumbnailService, RendersTheStillsOfRealVideos) {
    const fs::path data = VOMRA_TEST_DATA_DIR;
    fs::copy_file(data / "clip.mp4", share / "clip.mp4");
    fs::copy_file(data / fs::path(u8"中文视频.mp4"), scratch.directory(fs::path(u8"share/电影")) / u8"中文视频.mp4");
    fs::copy_file(data / "not_media.mp4", scratch.directory("share/bad") / "not_media.mp4");
    start();
    // The workers of a share stay for new videos: wait until all three are done.
    waitForStills(3);
    running->stop();

    const std::string signature = "\x89PNG\r\n\x1a\n";
    EXPECT_EQ(contentsOf(thumbs / "clip.png").substr(0, 8), signature);
    EXPECT_EQ(contentsOf(thumbs / fs::path(u8"电影/中文视频.png")).substr(0, 8), signature);
    EXPECT_TRUE(fs::is_directory(thumbs / "bad"));
    EXPECT_FALSE(fs::exists(thumbs / "bad/not_media.png"));
}

TEST_F(ThumbnailService, StartStopsARunningPoolFirst) {
    const std::vector<fs::path> videos{scratch.file("share/1.mp4"), scratch.file("share/2.mp4"),
                                       scratch.file("share/3.mp4")};
    fake.closeGate();
    installRunningPool(videos);
    ASSERT_TRUE(fake.waitForCaptures(2));

    // The old pool lives until its workers are through the gate.
    const ThumbnailPool& old = *running;
    std::future<void> starting = std::async(std::launch::async, [this] { start(); });
    while (!old.stopRequested) std::this_thread::yield();
    fake.openGate();
    starting.get();

    EXPECT_EQ(fake.finished().size(), 2u) << "each old worker finished its still and took no more";
    EXPECT_EQ(contentsOf(thumbs / "3.png"), markerFor(videos[2]));
    EXPECT_EQ(contentsOf(thumbs / "2.png"), markerFor(videos[1]));
    ASSERT_NE(running, nullptr);
    EXPECT_EQ(running->sourceRoot, share);
}

TEST_F(ThumbnailService, AFailedScanLeavesNoPool) {
    scratch.file("share/clip.mp4");
    LockedDirectory lock(share);
    if (!lock.holdsBack()) return runThisTestAsNobody();
    installRunningPool({});
    EXPECT_THROW(start(), fs::filesystem_error);
    EXPECT_EQ(running, nullptr);
}

// A folder that may not be read costs only its own videos.
TEST_F(ThumbnailService, AnUnreadableSubfolderIsSkippedAndReturned) {
    scratch.file("share/closed/clip.mp4");
    const fs::path open = scratch.file("share/open/clip.mp4");
    LockedDirectory lock(share / "closed");
    if (!lock.holdsBack()) return runThisTestAsNobody();
    EXPECT_EQ(start(), std::vector<fs::path>{share / "closed"});
    ASSERT_NE(running, nullptr);
    EXPECT_EQ(running->progress().total, 1u);
}

TEST_F(ThumbnailService, StartRemovesTheTemporaryStillsOfAnInterruptedRun) {
    scratch.file("share/VTemp/.clip.png.3f9a0c1d2e.tmp", "half a still");
    scratch.file("share/VTemp/deep/er/.x.png.0.tmp", "half a still");
    scratch.file("share/VTemp/clip.png", "a still");
    scratch.file("share/VTemp/.hidden.tmp", "not ours");
    scratch.file("share/VTemp/.clip.png.notours.tmp", "not ours");
    scratch.file("outside/.far.png.1.tmp", "someone else's");
    const bool linked = scratch.canLink();
    if (linked) {
        scratch.link("share/VTemp/far", "../../outside");
        scratch.link("share/VTemp/.link.png.2.tmp", "../../outside/.far.png.1.tmp");
    }
    start();

    std::vector<fs::path> left = listTree(thumbs);
    std::sort(left.begin(), left.end());
    std::vector<fs::path> expected{".clip.png.notours.tmp", ".hidden.tmp", "clip.png", "deep", "deep/er"};
    if (linked) expected.insert(expected.end(), {".link.png.2.tmp", "far"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
    EXPECT_EQ(contentsOf(scratch.root() / "outside/.far.png.1.tmp"), "someone else's") << "removed through a link";
}

TEST_F(ThumbnailService, AStopDuringACaptureLeavesNothingAndTheNextStartRendersTheVideo) {
    fs::copy_file(fixture("full_hd.mp4"), share / "film.mp4");
    // The stop comes as soon as the capture has begun; where the capture
    // was through even so, again.
    bool interrupted = false;
    for (int attempt = 0; attempt < 20 && !interrupted; ++attempt) {
        fs::remove_all(thumbs);
        std::promise<void> begun;
        bool gaveStill = false;
        ThumbnailPool& running = makePool();
        running.capture = [&](const ThumbnailPool& self, const fs::path& video) {
            begun.set_value();
            PngBytes still = self.captureFrame(video);
            gaveStill = !still.view().empty();
            return still;
        };
        running.startWorkers();
        begun.get_future().wait();
        running.stop();
        interrupted = !gaveStill;
    }
    ASSERT_TRUE(interrupted) << "no stop cut a running capture short";
    EXPECT_EQ(pool->progress().failed, 1u);
    EXPECT_TRUE(listTree(thumbs).empty()) << "a still or a temporary file was left";

    start();
    waitForStills(1);
    EXPECT_EQ(readPng(thumbs / "film.png").width, 640);
}
