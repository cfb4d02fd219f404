// Starting a pool over a shared folder, and stopping it, with the real capture.
#include <gtest/gtest.h>

#include <future>

#include "tests/thumbs/capture_test_support.h"
#include "tests/thumbs/locked_directory.h"
#include "tests/thumbs/pool_fixture.h"

namespace {

using PoolStart = PoolTest;

bool isGreenAtTop(const fs::path& png) {
    return isGreen(readPng(png).at(320, 40));
}

}  // namespace

TEST_F(PoolStart, TwoWorkersCaptureAtOnce) {
    for (const char* name : {"1.mp4", "2.mp4", "3.mp4"}) scratch.file(fs::path("share") / name);
    fake.closeGate();
    startPool();
    ASSERT_TRUE(fake.waitForCaptures(2));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(fake.begun().size(), 2u) << "more captures than workers";
}

TEST_F(PoolStart, RendersTheStillsOfRealVideosAtTheChosenSecond) {
    const fs::path data = VOMRA_TEST_DATA_DIR;
    fs::copy_file(data / "clip.mp4", share / "clip.mp4");
    fs::copy_file(data / "seconds.mp4", share / "seconds.mp4");
    fs::copy_file(data / fs::path(u8"中文视频.mp4"), scratch.directory(fs::path(u8"share/电影")) / u8"中文视频.mp4");
    const fs::path bad = scratch.directory("share/bad") / "not_media.mp4";
    fs::copy_file(data / "not_media.mp4", bad);
    ThumbnailPool::Options settings = options();
    settings.captureSeconds = 2;
    settings.capture = nullptr;  // the real capture
    startPool(std::move(settings));
    ASSERT_TRUE(waitForStills());
    pool->stop();

    const std::string signature = "\x89PNG\r\n\x1a\n";
    EXPECT_EQ(contentsOf(thumbs / "clip.png").substr(0, 8), signature);
    EXPECT_EQ(contentsOf(thumbs / fs::path(u8"电影/中文视频.png")).substr(0, 8), signature);
    EXPECT_TRUE(isGreenAtTop(thumbs / "seconds.png")) << "not the picture at 2 s";
    EXPECT_EQ(readPng(thumbs / "seconds.png").width, 640);
    EXPECT_TRUE(fs::is_directory(thumbs / "bad"));
    EXPECT_FALSE(fs::exists(thumbs / "bad/not_media.png"));
    const std::vector<StillFailure> failures = pool->failures();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].video, bad);
    EXPECT_EQ(failures[0].reason, "not a video (Invalid data found when processing input)");
}

TEST_F(PoolStart, ANonAsciiSharedFolderWorks) {
    const fs::path folder = scratch.directory(fs::path(u8"共享 电影"));
    const fs::path video = scratch.file(fs::path(u8"共享 电影/片.mp4"));
    startPool({.sharedFolder = folder, .capture = fake.function()});
    ASSERT_TRUE(waitForStills());
    EXPECT_EQ(contentsOf(folder / "VTemp" / fs::path(u8"片.png")), markerFor(video));
}

TEST_F(PoolStart, AFailedScanThrowsAndNothingRuns) {
    scratch.file("share/clip.mp4");
    LockedDirectory lock(share);
    if (!lock.holdsBack()) return runThisTestAsNobody();
    ThumbnailPool unstarted(options());
    EXPECT_THROW(unstarted.start(), fs::filesystem_error);
    EXPECT_EQ(unstarted.progress().total, 0u);
    EXPECT_TRUE(fake.begun().empty());
}

// A folder that may not be read costs only its own videos.
TEST_F(PoolStart, AnUnreadableSubfolderIsSkippedAndReturned) {
    scratch.file("share/closed/clip.mp4");
    scratch.file("share/open/clip.mp4");
    LockedDirectory lock(share / "closed");
    if (!lock.holdsBack()) return runThisTestAsNobody();
    pool = std::make_unique<ThumbnailPool>(options());
    EXPECT_EQ(pool->start(), std::vector<fs::path>{share / "closed"});
    EXPECT_EQ(pool->progress().total, 1u);
}

TEST_F(PoolStart, StartRemovesTheTemporaryStillsOfAnInterruptedRun) {
    scratch.file("share/VTemp/.vt-3f9a0c1d2e4b5a69.tmp", "half a still");
    scratch.file("share/VTemp/deep/er/.vt-0000000000000000.tmp", "half a still");
    scratch.file("share/VTemp/clip.png", "a still");
    scratch.file("share/VTemp/.hidden.tmp", "not ours");
    scratch.file("share/VTemp/.vt-notours.tmp", "not ours");
    scratch.file("share/VTemp/.vt-3f9a0c1d2e4b5a69.tmp.png", "not ours");
    scratch.file("outside/.vt-1111111111111111.tmp", "someone else's");
    const bool linked = scratch.canLink();
    if (linked) {
        scratch.link("share/VTemp/far", "../../outside");
        scratch.link("share/VTemp/.vt-2222222222222222.tmp", "../../outside/.vt-1111111111111111.tmp");
    }
    startPool();

    std::vector<fs::path> left = listTree(thumbs);
    std::sort(left.begin(), left.end());
    std::vector<fs::path> expected{".hidden.tmp", ".vt-3f9a0c1d2e4b5a69.tmp.png", ".vt-notours.tmp", "clip.png", "deep",
                                   "deep/er"};
    if (linked) expected.insert(expected.end(), {".vt-2222222222222222.tmp", "far"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
    EXPECT_EQ(contentsOf(scratch.root() / "outside/.vt-1111111111111111.tmp"), "someone else's")
        << "removed through a link";
}

TEST_F(PoolStart, AStopDuringACaptureLeavesNothingAndTheNextStartRendersTheVideo) {
    const fs::path film = share / "film.mp4";
    fs::copy_file(fixture("full_hd.mp4"), film);
    // The stop comes as soon as the capture has begun; where the capture
    // was through even so, again.
    bool interrupted = false;
    for (int attempt = 0; attempt < 20 && !interrupted; ++attempt) {
        fs::remove_all(thumbs);
        std::promise<void> begun;
        bool gaveStill = false;
        ThumbnailPool::Options settings = options();
        settings.capture = [&](const fs::path& video, const platform::RegularFileReader& file,
                               const std::atomic<bool>& stop) {
            begun.set_value();
            StillCapture still = captureStill(file, video, 0, stop);
            gaveStill = !still.png.view().empty();
            return still;
        };
        startPool(std::move(settings));
        begun.get_future().wait();
        pool->stop();
        interrupted = !gaveStill;
    }
    ASSERT_TRUE(interrupted) << "no stop cut a running capture short";
    EXPECT_EQ(pool->failures(), (std::vector<StillFailure>{{film, "stopped"}}));
    EXPECT_TRUE(listTree(thumbs).empty()) << "a still or a temporary file was left";

    ThumbnailPool::Options again = options();
    again.capture = nullptr;  // the real capture
    startPool(std::move(again));
    ASSERT_TRUE(waitForStills());
    EXPECT_EQ(readPng(thumbs / "film.png").width, 640);
}
