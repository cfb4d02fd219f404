// Videos of one folder that share a stem ("同名.mp4" and "同名.mkv") each get
// a still of their own, and a video without a twin keeps <stem>.png; a twin
// that comes or goes while sharing moves the other's still to its new name.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/paths.h"
#include "tests/common/wait_for.h"
#include "tests/thumbs/capture_test_support.h"
#include "tests/thumbs/pool_fixture.h"

using PoolTwins = PoolTest;

namespace {

// A 0.2 s video of one colour, made with the ffmpeg tool.
void makeVideo(const fs::path& path, const char* colour) {
    const std::string command = "ffmpeg -nostdin -loglevel error -f lavfi -i color=c=" + std::string(colour) +
                                ":s=64x36:r=25:d=0.2 -c:v mpeg4 -y '" + platform::utf8FromPath(path) + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

Rgb middleOf(const fs::path& still) {
    return readPng(still).at(320, 180);
}

}  // namespace

TEST_F(PoolTwins, ATwinThatComesGetsItsOwnStillAndTheOthersStillMoves) {
    makeVideo(share / u8"同名.mp4", "red");
    makeVideo(share / u8"独.mp4", "green");
    makeVideo(scratch.root() / u8"同名.mkv", "blue");
    startPool(
        ThumbnailPool::Options{.sharedFolder = share, .rescanInterval = std::chrono::milliseconds(40), .capture = {}});
    ASSERT_TRUE(waitForStills());
    EXPECT_TRUE(isRed(middleOf(thumbs / u8"同名.png")));

    fs::rename(scratch.root() / u8"同名.mkv", share / u8"同名.mkv");
    const auto twinDone = [&] { return fs::exists(thumbs / u8"同名.mkv.png") && pool->progress().allHandled(); };
    ASSERT_TRUE(waitFor(twinDone, std::chrono::seconds(30)));
    EXPECT_TRUE(isRed(middleOf(thumbs / u8"同名.mp4.png")));
    EXPECT_TRUE(isBlue(middleOf(thumbs / u8"同名.mkv.png")));
    EXPECT_TRUE(isGreen(middleOf(thumbs / u8"独.png")));
    EXPECT_EQ(listTree(thumbs).size(), 3u) << "同名.png is left behind";
    const ThumbnailProgress progress = pool->progress();
    EXPECT_EQ(progress.total, 3u);
    EXPECT_EQ(progress.finished, 3u);
}

// "a.mp4.mkv" takes its whole name while "a.mp4" takes "a.mp4.png", that is
// while "a.mkv" is there: when it goes and comes back, both stills move,
// one to the name the other gives up.
TEST_F(PoolTwins, StillsThatTakeEachOthersNamesAreBothMoved) {
    const fs::path first = scratch.file("share/a.mp4"), longer = scratch.file("share/a.mp4.mkv");
    const fs::path twin = scratch.file("share/a.mkv");
    ThumbnailPool::Options settings = options();
    settings.rescanInterval = std::chrono::milliseconds(40);
    startPool(std::move(settings));
    ASSERT_TRUE(waitForStills());
    // Whether each still under `names` shows the video of the same place.
    const auto stillsAre = [&](const std::vector<std::string>& names) {
        const std::vector<fs::path> videos{first, longer, twin};
        for (std::size_t i = 0; i < names.size(); ++i)
            if (contentsOf(thumbs / names[i]) != markerFor(videos[i])) return false;
        return listTree(thumbs).size() == 3;
    };
    const std::vector<std::string> wholeNames{"a.mp4.png", "a.mp4.mkv.png", "a.mkv.png"};
    EXPECT_TRUE(stillsAre(wholeNames));

    fs::rename(twin, scratch.root() / "a.mkv");
    EXPECT_TRUE(waitFor([&] { return stillsAre({"a.png", "a.mp4.png"}); }, std::chrono::seconds(30)));
    fs::rename(scratch.root() / "a.mkv", twin);
    EXPECT_TRUE(waitFor([&] { return stillsAre(wholeNames); }, std::chrono::seconds(30)));
}
