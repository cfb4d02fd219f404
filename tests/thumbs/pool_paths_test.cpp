// Where the pool puts each still, what it skips, and what it refuses.
#include <gtest/gtest.h>

#include "tests/thumbs/pool_fixture.h"

namespace fs = std::filesystem;

using PoolPaths = PoolTest;
using Results = std::vector<Finished>;

TEST_F(PoolPaths, MirrorsTheFolderBelowTheThumbnailRoot) {
    const fs::path top = scratch.file("share/clip.mp4");
    const fs::path deep = scratch.file("share/a/b/clip.AVI");
    const fs::path dotted = scratch.file("share/clip.final.mkv");
    const fs::path chinese = scratch.file(fs::path(u8"share/电影/第一集.mp4"));
    const fs::path inTree = scratch.file("share/VTemp/x/v.mp4");
    scratch.file("share/VTemp/earlier.png");
    makePool();
    runToEnd();

    const fs::path chineseStill = thumbs / fs::path(u8"电影/第一集.png");
    EXPECT_EQ(finishedByPath(), (Results{{thumbs / "VTemp/x/v.png", true},
                                         {thumbs / "a/b/clip.png", true},
                                         {thumbs / "clip.final.png", true},
                                         {thumbs / "clip.png", true},
                                         {chineseStill, true}}));
    EXPECT_EQ(contentsOf(thumbs / "clip.png"), markerFor(top));
    EXPECT_EQ(contentsOf(thumbs / "a/b/clip.png"), markerFor(deep));
    EXPECT_EQ(contentsOf(thumbs / "clip.final.png"), markerFor(dotted));
    EXPECT_EQ(contentsOf(chineseStill), markerFor(chinese));
    EXPECT_EQ(contentsOf(thumbs / "VTemp/x/v.png"), markerFor(inTree));
}

TEST_F(PoolPaths, AnythingAlreadyAtTheStillsPlaceIsKeptAndCountsAsDone) {
    scratch.file("share/old.mp4");
    scratch.file("share/folder.mkv");
    const fs::path fresh = scratch.file("share/new.avi");
    scratch.file("share/VTemp/old.png", "rendered last time");
    scratch.directory("share/VTemp/folder.png");
    makePool();
    runToEnd();

    EXPECT_EQ(fake.begun(), std::vector<fs::path>{fresh});
    EXPECT_EQ(finishedByPath(),
              (Results{{thumbs / "folder.png", true}, {thumbs / "new.png", true}, {thumbs / "old.png", true}}));
    EXPECT_EQ(contentsOf(thumbs / "old.png"), "rendered last time");
    EXPECT_TRUE(fs::is_directory(thumbs / "folder.png"));
}

TEST_F(PoolPaths, AnEmptyFileInTheStillsPlaceIsRenderedAgain) {
    const fs::path video = scratch.file("share/cut.mp4");
    scratch.file("share/VTemp/cut.png", "");
    makePool();
    runToEnd();

    EXPECT_EQ(fake.begun(), std::vector<fs::path>{video});
    EXPECT_EQ(contentsOf(thumbs / "cut.png"), markerFor(video));
}

TEST_F(PoolPaths, AFailedCaptureIsReportedAndTheWorkGoesOn) {
    const fs::path broken = scratch.file("share/broken.mp4");
    scratch.file("share/fine.mp4");
    fake.failFor(broken);
    makePool(1);
    runToEnd();

    EXPECT_EQ(finishedByPath(), (Results{{thumbs / "broken.png", false}, {thumbs / "fine.png", true}}));
    EXPECT_FALSE(fs::exists(thumbs / "broken.png"));
}

TEST_F(PoolPaths, ALinkGetsItsStillWhereTheLinkStands) {
    if (!scratch.canLink()) GTEST_SKIP() << "this system makes no symbolic links";
    scratch.file("share/sub/real.mp4");
    scratch.file("outside/far.mp4");
    const fs::path inside = scratch.link("share/inside.mkv", "sub/real.mp4");
    const fs::path outside = scratch.link("share/outside.mp4", "../outside/far.mp4");
    const fs::path deeper = scratch.link("share/sub/up.mov", "../../outside/far.mp4");
    makePool();
    runToEnd();

    EXPECT_EQ(finishedByPath(), (Results{{thumbs / "inside.png", true},
                                         {thumbs / "outside.png", true},
                                         {thumbs / "sub/real.png", true},
                                         {thumbs / "sub/up.png", true}}));
    EXPECT_EQ(contentsOf(thumbs / "inside.png"), markerFor(inside));
    EXPECT_EQ(contentsOf(thumbs / "outside.png"), markerFor(outside));
    EXPECT_EQ(contentsOf(thumbs / "sub/up.png"), markerFor(deeper));
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch.root() / "outside"), {}), 1);
}

TEST_F(PoolPaths, NothingIsWrittenOutsideTheThumbnailTree) {
    const fs::path stray = scratch.file("elsewhere/stray.mp4");
    const fs::path climbing = share / ".." / "elsewhere" / "stray.mp4";
    makePool({stray, climbing, share});
    runToEnd();

    EXPECT_TRUE(fake.begun().empty());
    EXPECT_EQ(fake.finished(), (Results{{{}, false}, {{}, false}, {{}, false}}));
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(scratch.root()), {}), 3)
        << "only share, elsewhere and stray.mp4";
}

TEST_F(PoolPaths, AFileSystemErrorFailsOnlyThatVideo) {
    // A file stands where the still's directory has to be made.
    scratch.file("share/VTemp/a", "not a directory");
    const fs::path blocked = scratch.file("share/a/clip.mp4");
    const fs::path next = scratch.file("share/b.mp4");
    makePool({next, blocked}, 1);
    runToEnd();

    EXPECT_EQ(fake.finished(), (Results{{thumbs / "a/clip.png", false}, {thumbs / "b.png", true}}));
    EXPECT_EQ(fake.begun(), std::vector<fs::path>{next});
}
