// Which picture becomes the still: the key frame at the chosen second, not
// a black or flat one, and nothing at all once a stop was asked for.
#include "capture_test_support.h"

namespace {

bool isYellow(Rgb p) {
    return p.red > 200 && p.green > 200 && p.blue < 70;
}

// The top half's colour of a still of seconds.mp4 (red from 0 s, green from
// 1.5 s, blue from 3 s, yellow from 4.5 s to the end at 6 s).
struct Moment {
    std::int32_t seconds;
    bool (*colour)(Rgb);
    const char* expected;
};

TEST_F(CaptureTest, TakesTheKeyFrameAtTheChosenSecond) {
    const Moment moments[] = {
        {0, isRed, "red (the start)"}, {-5, isRed, "red (the start)"}, {2, isGreen, "green"},
        {4, isBlue, "blue"},           {5, isYellow, "yellow"},        {100, isRed, "red (past the end)"},
    };
    for (const Moment& moment : moments) {
        seconds = moment.seconds;
        const fs::path png = scratch / ("at" + std::to_string(moment.seconds) + ".png");
        ASSERT_TRUE(capture(fixture("seconds.mp4"), png)) << moment.seconds;
        const PngFile still = readPng(png);
        EXPECT_TRUE(moment.colour(still.at(320, 40))) << "at " << moment.seconds << " s, wanted " << moment.expected;
    }
}

TEST_F(CaptureTest, PassesOverABlackOpeningToThePicture) {
    const fs::path png = scratch / "black.png";
    ASSERT_TRUE(capture(fixture("black_start.mp4"), png));
    const PngFile still = readPng(png);
    EXPECT_TRUE(isRed(still.at(320, 0)) && isBlue(still.at(320, 359))) << "the black opening became the still";
}

TEST_F(CaptureTest, StopRequestedGivesFalseAndNoFile) {
    stop = true;
    EXPECT_FALSE(capture(fixture("full_hd.mp4"), scratch / "still.png"));
    EXPECT_EQ(failure, "stopped");
    EXPECT_TRUE(listTree(scratch).empty());
}

}  // namespace
