// Videos of one folder that share a stem ("同名.mp4" and "同名.mkv"): each
// gets a still of its own, whether it was there at the start or came later,
// and a video without a twin keeps <stem>.png.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/paths.h"
#include "tests/common/wait_for.h"
#include "tests/thumbs/capture_test_support.h"
#include "tests/thumbs/pool_fixture.h"

using PoolTwins = PoolTest;

namespace {

const fs::path kTwinMp4{u8"同名.mp4"}, kTwinMkv{u8"同名.mkv"};

// A 0.2 s video of one colour, made with the ffmpeg tool.
void makeVideo(const fs::path& path, const char* colour) {
    const std::string command = "ffmpeg -nostdin -loglevel error -f lavfi -i color=c=" + std::string(colour) +
                                ":s=64x36:r=25:d=0.2 -c:v mpeg4 -y '" + platform::utf8FromPath(path) + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

}  // namespace

TEST_F(PoolTwins, TwinsGetStillsOfTheirOwnAndALoneVideoKeepsItsStem) {
    makeVideo(share / kTwinMp4, "red");
    makeVideo(share / kTwinMkv, "blue");
    makeVideo(share / u8"独.mp4", "green");
    startPool(ThumbnailPool::Options{.sharedFolder = share, .capture = {}});
    ASSERT_TRUE(waitForStills());

    EXPECT_TRUE(isRed(readPng(thumbs / u8"同名.mp4.png").at(320, 180)));
    EXPECT_TRUE(isBlue(readPng(thumbs / u8"同名.mkv.png").at(320, 180)));
    EXPECT_TRUE(isGreen(readPng(thumbs / u8"独.png").at(320, 180)));
    EXPECT_EQ(listTree(thumbs).size(), 3u);
    const ThumbnailProgress progress = pool->progress();
    EXPECT_EQ(progress.total, 3u);
    EXPECT_EQ(progress.finished, 3u);
    EXPECT_EQ(progress.failed, 0u);
}

// The first video's still moves to its whole name when the twin comes, and
// back when the twin goes; the count holds each video once.
TEST_F(PoolTwins, ATwinThatComesOrGoesWhileSharingMovesTheOthersStill) {
    makeVideo(share / kTwinMp4, "red");
    makeVideo(scratch.root() / kTwinMkv, "blue");
    startPool(
        ThumbnailPool::Options{.sharedFolder = share, .rescanInterval = std::chrono::milliseconds(40), .capture = {}});
    ASSERT_TRUE(waitForStills());
    EXPECT_TRUE(isRed(readPng(thumbs / u8"同名.png").at(320, 180)));

    fs::rename(scratch.root() / kTwinMkv, share / kTwinMkv);
    const auto twinsDone = [&] { return fs::exists(thumbs / u8"同名.mkv.png") && pool->progress().allHandled(); };
    ASSERT_TRUE(waitFor(twinsDone, std::chrono::seconds(30)));
    EXPECT_TRUE(isRed(readPng(thumbs / u8"同名.mp4.png").at(320, 180)));
    EXPECT_TRUE(isBlue(readPng(thumbs / u8"同名.mkv.png").at(320, 180)));
    EXPECT_FALSE(fs::exists(thumbs / u8"同名.png"));
    EXPECT_EQ(pool->progress().total, 2u);
    EXPECT_EQ(pool->progress().finished, 2u);

    fs::remove(share / kTwinMkv);
    ASSERT_TRUE(waitFor([&] { return fs::exists(thumbs / u8"同名.png"); }, std::chrono::seconds(30)));
    EXPECT_TRUE(isRed(readPng(thumbs / u8"同名.png").at(320, 180)));
    EXPECT_FALSE(fs::exists(thumbs / u8"同名.mp4.png"));
}

// "a.mp4.mkv" takes its whole name when "a.mkv" comes, since "a.mp4" then
// takes "a.mp4.png": each still still shows its own video.
TEST_F(PoolTwins, StillsThatTakeEachOthersNamesAreBothMoved) {
    const fs::path first = scratch.file("share/a.mp4"), longer = scratch.file("share/a.mp4.mkv");
    ThumbnailPool::Options settings = options();
    settings.rescanInterval = std::chrono::milliseconds(40);
    startPool(std::move(settings));
    ASSERT_TRUE(waitForStills());
    EXPECT_EQ(contentsOf(thumbs / "a.mp4.png"), markerFor(longer));

    const fs::path twin = scratch.file("share/a.mkv");
    ASSERT_TRUE(waitFor([&] { return fs::exists(thumbs / "a.mkv.png"); }, std::chrono::seconds(30)));
    EXPECT_EQ(contentsOf(thumbs / "a.mp4.png"), markerFor(first));
    EXPECT_EQ(contentsOf(thumbs / "a.mp4.mkv.png"), markerFor(longer));
    EXPECT_EQ(contentsOf(thumbs / "a.mkv.png"), markerFor(twin));
    EXPECT_FALSE(fs::exists(thumbs / "a.png"));
}
