// Where the pool puts each still, what it skips, and what it refuses.
#include <gtest/gtest.h>

#include "tests/thumbs/pool_fixture.h"

namespace fs = std::filesystem;

using PoolPaths = PoolTest;
using Failures = std::vector<StillFailure>;

TEST_F(PoolPaths, MirrorsTheFolderBelowTheThumbnailRoot) {
    const fs::path top = scratch.file("share/clip.mp4");
    const fs::path deep = scratch.file("share/a/b/clip.AVI");
    const fs::path dotted = scratch.file("share/clip.final.mkv");
    const fs::path chinese = scratch.file(fs::path(u8"share/电影/第一集.mp4"));
    const fs::path inTree = scratch.file("share/VTemp/x/v.mp4");
    scratch.file("share/VTemp/earlier.png");
    runToEnd();

    EXPECT_EQ(pool->progress().total, 5u);
    EXPECT_EQ(pool->failures(), Failures{});
    EXPECT_EQ(contentsOf(thumbs / "clip.png"), markerFor(top));
    EXPECT_EQ(contentsOf(thumbs / "a/b/clip.png"), markerFor(deep));
    EXPECT_EQ(contentsOf(thumbs / "clip.final.png"), markerFor(dotted));
    EXPECT_EQ(contentsOf(thumbs / fs::path(u8"电影/第一集.png")), markerFor(chinese));
    EXPECT_EQ(contentsOf(thumbs / "VTemp/x/v.png"), markerFor(inTree));
}

TEST_F(PoolPaths, AnythingAlreadyAtTheStillsPlaceIsKeptAndCountsAsDone) {
    scratch.file("share/old.mp4");
    scratch.file("share/folder.mkv");
    const fs::path fresh = scratch.file("share/new.avi");
    scratch.file("share/VTemp/old.png", "rendered last time");
    scratch.directory("share/VTemp/folder.png");
    runToEnd();

    EXPECT_EQ(fake.begun(), std::vector<fs::path>{fresh});
    EXPECT_EQ(pool->progress().finished, 3u);
    EXPECT_EQ(pool->failures(), Failures{});
    EXPECT_EQ(contentsOf(thumbs / "new.png"), markerFor(fresh));
    EXPECT_EQ(contentsOf(thumbs / "old.png"), "rendered last time");
    EXPECT_TRUE(fs::is_directory(thumbs / "folder.png"));
}

// 255 bytes is the longest name most file systems take.
TEST_F(PoolPaths, AVideoWhoseNameIsNearTheLimitGetsItsStill) {
    const std::string stem(246, 'x');
    const fs::path video = scratch.file("share/" + stem + ".mp4");
    runToEnd();
    EXPECT_EQ(pool->failures(), Failures{});
    EXPECT_EQ(contentsOf(thumbs / (stem + ".png")), markerFor(video));
    EXPECT_EQ(std::distance(fs::directory_iterator(thumbs), {}), 1) << "a temporary file was left";
}

TEST_F(PoolPaths, AnEmptyFileInTheStillsPlaceIsRenderedAgain) {
    const fs::path video = scratch.file("share/cut.mp4");
    scratch.file("share/VTemp/cut.png", "");
    runToEnd();

    EXPECT_EQ(fake.begun(), std::vector<fs::path>{video});
    EXPECT_EQ(contentsOf(thumbs / "cut.png"), markerFor(video));
}

TEST_F(PoolPaths, AFailedCaptureIsReportedWithItsReasonAndTheWorkGoesOn) {
    const fs::path broken = scratch.file("share/broken.mp4");
    const fs::path fine = scratch.file("share/fine.mp4");
    fake.failFor(broken);
    ::testing::internal::CaptureStderr();
    runToEnd(1);
    const std::string debugOutput = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(pool->failures(), (Failures{{broken, FakeCapture::kFakeFailure}}));
    EXPECT_EQ(pool->progress().failed, 1u);
    EXPECT_FALSE(fs::exists(thumbs / "broken.png"));
    EXPECT_EQ(contentsOf(thumbs / "fine.png"), markerFor(fine));
    EXPECT_NE(debugOutput.find(broken.string() + ": " + FakeCapture::kFakeFailure + "\n"), std::string::npos)
        << debugOutput;
}

TEST_F(PoolPaths, ALinkGetsItsStillWhereTheLinkStands) {
    if (!scratch.canLink()) GTEST_SKIP() << "this system makes no symbolic links";
    scratch.file("share/sub/real.mp4");
    scratch.file("outside/far.mp4");
    const fs::path inside = scratch.link("share/inside.mkv", "sub/real.mp4");
    const fs::path outside = scratch.link("share/outside.mp4", "../outside/far.mp4");
    const fs::path deeper = scratch.link("share/sub/up.mov", "../../outside/far.mp4");
    runToEnd();

    EXPECT_EQ(pool->progress().total, 4u);
    EXPECT_EQ(pool->failures(), Failures{});
    EXPECT_EQ(contentsOf(thumbs / "inside.png"), markerFor(inside));
    EXPECT_EQ(contentsOf(thumbs / "outside.png"), markerFor(outside));
    EXPECT_EQ(contentsOf(thumbs / "sub/up.png"), markerFor(deeper));
    EXPECT_TRUE(fs::exists(thumbs / "sub/real.png"));
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch.root() / "outside"), {}), 1);
}

// A folder named through ".." and a link still gets its stills in its own
// tree, and nothing lands beside it.
TEST_F(PoolPaths, AFolderNamedThroughDotDotOrALinkKeepsItsStillsInside) {
    if (!scratch.canLink()) GTEST_SKIP() << "this system makes no symbolic links";
    const fs::path video = scratch.file("share/sub/clip.mp4");
    scratch.link("via", "share");
    startPool({.sharedFolder = scratch.root() / "via/sub/..", .capture = fake.function()});
    ASSERT_TRUE(waitForStills());

    EXPECT_EQ(pool->failures(), Failures{});
    EXPECT_EQ(contentsOf(thumbs / "sub/clip.png"), markerFor(scratch.root() / "via/sub/../sub/clip.mp4"));
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch.root()), {}), 2) << "only share and via";
    EXPECT_EQ(std::distance(fs::directory_iterator(share / "sub"), {}), 1) << "only clip.mp4";
}

TEST_F(PoolPaths, AFileSystemErrorFailsOnlyThatVideo) {
    // A file stands where the still's directory has to be made.
    scratch.file("share/VTemp/a", "not a directory");
    const fs::path blocked = scratch.file("share/a/clip.mp4");
    const fs::path next = scratch.file("share/b.mp4");
    runToEnd(1);

    ASSERT_EQ(pool->failures().size(), 1u);
    EXPECT_EQ(pool->failures()[0].video, blocked);
    EXPECT_EQ(fake.begun(), std::vector<fs::path>{next});
    EXPECT_EQ(contentsOf(thumbs / "b.png"), markerFor(next));
}
