// startThumbnails and stopThumbnails over a share service record.
#include <gtest/gtest.h>

#include <future>

#include "config/install_paths.h"
#include "tests/thumbs/locked_directory.h"
#include "tests/thumbs/pool_fixture.h"

namespace fs = std::filesystem;

namespace {

std::string utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

class ThumbnailService : public PoolTest {
protected:
    void SetUp() override { setSharedFolder(service, utf8(share)); }
    void TearDown() override {
        fake.openGate();
        stopThumbnails(service);
    }

    // A pool of the fake capture, installed as if a Start had made it.
    void installRunningPool(std::vector<fs::path> videos) {
        makePool(std::move(videos)).startWorkers();
        service.thumbnailPool = pool.release();
    }

    ShareService service;
};

}  // namespace

TEST_F(ThumbnailService, StartMakesTwoWorkersOverTheSharedFolder) {
    service.settings.screenshotSeconds = 30;
    startThumbnails(service);
    ASSERT_NE(service.thumbnailPool, nullptr);
    const ThumbnailPool& started = *service.thumbnailPool;
    EXPECT_EQ(started.sourceRoot, share);
    EXPECT_EQ(started.outputRoot, thumbs);
    EXPECT_EQ(started.workers.size(), 2u);
    EXPECT_EQ(started.captureSeconds, 30) << "the still is taken at the seconds box's time";
    EXPECT_EQ(started.width, 640);
    EXPECT_EQ(started.height, 360);

    stopThumbnails(service);
    EXPECT_EQ(service.thumbnailPool, nullptr);
    stopThumbnails(service);
    EXPECT_EQ(service.thumbnailPool, nullptr);
}

TEST_F(ThumbnailService, ANonAsciiSharedFolderWorks) {
    const fs::path folder = scratch.directory(fs::path(u8"共享 电影"));
    setSharedFolder(service, utf8(folder));
    startThumbnails(service);
    ASSERT_NE(service.thumbnailPool, nullptr);
    EXPECT_EQ(service.thumbnailPool->sourceRoot, folder);
    EXPECT_EQ(service.thumbnailPool->outputRoot, folder / "VTemp");
}

TEST_F(ThumbnailService, RendersTheStillsOfRealVideos) {
    const fs::path data = VOMRA_TEST_DATA_DIR;
    fs::copy_file(data / "clip.mp4", share / "clip.mp4");
    fs::copy_file(data / fs::path(u8"中文视频.mp4"), scratch.directory(fs::path(u8"share/电影")) / u8"中文视频.mp4");
    fs::copy_file(data / "not_media.mp4", scratch.directory("share/bad") / "not_media.mp4");
    startThumbnails(service);
    // The workers of a share stay for new videos: wait until all three are done.
    while (service.thumbnailPool->progress().finished < 3) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    stopThumbnails(service);

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
    const ThumbnailPool& old = *service.thumbnailPool;
    std::future<void> starting = std::async(std::launch::async, [this] { startThumbnails(service); });
    while (!old.stopRequested) std::this_thread::yield();
    fake.openGate();
    starting.get();

    EXPECT_EQ(fake.finished().size(), 2u) << "each old worker finished its still and took no more";
    EXPECT_EQ(contentsOf(thumbs / "3.png"), markerFor(videos[2]));
    EXPECT_EQ(contentsOf(thumbs / "2.png"), markerFor(videos[1]));
    ASSERT_NE(service.thumbnailPool, nullptr);
    EXPECT_EQ(service.thumbnailPool->sourceRoot, share);
}

TEST_F(ThumbnailService, AFailedScanLeavesNoPool) {
    scratch.file("share/clip.mp4");
    LockedDirectory lock(share);
    if (!lock.holdsBack()) return runThisTestAsNobody();
    installRunningPool({});
    EXPECT_THROW(startThumbnails(service), fs::filesystem_error);
    EXPECT_EQ(service.thumbnailPool, nullptr);
}

// A folder that may not be read costs only its own videos.
TEST_F(ThumbnailService, AnUnreadableSubfolderIsSkippedAndReturned) {
    scratch.file("share/closed/clip.mp4");
    const fs::path open = scratch.file("share/open/clip.mp4");
    LockedDirectory lock(share / "closed");
    if (!lock.holdsBack()) return runThisTestAsNobody();
    EXPECT_EQ(startThumbnails(service), std::vector<fs::path>{share / "closed"});
    ASSERT_NE(service.thumbnailPool, nullptr);
    EXPECT_EQ(service.thumbnailPool->progress().total, 1u);
}
