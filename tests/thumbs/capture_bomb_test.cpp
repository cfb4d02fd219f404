// Pictures far larger than any video's are refused before they are decoded,
// so a capture stays small and quick, and a stop never waits for one.
#include <chrono>
#include <fstream>
#include <future>
#include <string>

#include "tests/thumbs/capture_test_support.h"
#include "tests/thumbs/image_bomb.h"
#include "tests/thumbs/pool_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr PictureSize huge{16000, 16000};  // 256 million pixels, 1 MB on disk

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The growth of the process's peak resident size over `work`, in MiB, from
// Linux's /proc; negative where it cannot be measured.
template <typename Work>
double peakGrowthMib(Work&& work) {
    auto peakKib = [] {
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6));
        return -1.0;
    };
    // Writing 5 sets the peak back to the present size.
    if (!(std::ofstream("/proc/self/clear_refs") << "5")) return -1;
    const double before = peakKib();
    work();
    return before < 0 ? -1 : (peakKib() - before) / 1024;
}

class ImageBomb : public CaptureTest {
protected:
    // Captures the bomb, expecting a failure that came quickly and cost little.
    void expectRefused(const fs::path& bomb) {
        const Clock::time_point start = Clock::now();
        const double growth = peakGrowthMib([&] { EXPECT_FALSE(capture(bomb, scratch / "still.png")); });
        EXPECT_LT(secondsSince(start), 2.0) << "the capture decoded the picture";
        if (growth >= 0) {
            EXPECT_LT(growth, 100) << "MiB the capture took";
        }
        EXPECT_FALSE(fs::exists(scratch / "still.png"));
    }

    const fs::path bomb = scratch / "bomb.mkv";
};

TEST_F(ImageBomb, AHugePictureIsRefusedBeforeItIsDecoded) {
    writeImageBomb(bomb, huge, huge);
    expectRefused(bomb);
    EXPECT_EQ(failure, "the picture is too large (16000 × 16000)");
}

TEST_F(ImageBomb, AHugePictureBehindASmallHeaderIsRefusedToo) {
    writeImageBomb(bomb, huge, {256, 256});
    expectRefused(bomb);
    // FFmpeg refuses the size its own picture header gives.
    EXPECT_EQ(failure, "no picture could be decoded (Invalid argument)");
}

TEST_F(ImageBomb, APictureOfTheSameKindWithinTheBudgetGivesItsStill) {
    writeImageBomb(bomb, {1280, 720}, {1280, 720});
    ASSERT_TRUE(capture(bomb, scratch / "still.png")) << failure;
    EXPECT_EQ(readPng(scratch / "still.png").width, 640);
}

using ImageBombPool = PoolTest;

// Two workers, each on a bomb behind a small header: the stop comes once
// both captures are well under way (opening the file takes milliseconds,
// decoding its picture seconds), and must not wait for either.
TEST_F(ImageBombPool, AStopDuringTwoCapturesOfHugePicturesReturnsAtOnce) {
    writeImageBomb(share / "one.mkv", huge, {256, 256});
    writeImageBomb(share / "two.mkv", huge, {256, 256});
    std::atomic<int> begun{0};
    ThumbnailPool::Options settings = options();
    settings.capture = [&begun](const fs::path& video, const platform::RegularFileReader& file,
                                const std::atomic<bool>& stop) {
        ++begun;
        return captureStill(file, video, 0, stop);
    };
    startPool(std::move(settings));
    while (begun < 2) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    const Clock::time_point start = Clock::now();
    pool->stop();
    EXPECT_LT(secondsSince(start), 1.0);
    EXPECT_FALSE(fs::exists(thumbs / "one.png"));
    EXPECT_FALSE(fs::exists(thumbs / "two.png"));
}

}  // namespace
