// Stills of real videos: the PNG's format and what its picture shows.
#include "capture_test_support.h"

namespace {

void expectStillFormat(const PngFile& png) {
    EXPECT_EQ(png.chunkTypes, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    EXPECT_EQ(png.width, 640);
    EXPECT_EQ(png.height, 360);
    EXPECT_EQ(png.bitDepth, 8);
    EXPECT_EQ(png.colourType, 2);  // RGB, no alpha
}

// The fixtures' red top half over blue bottom half, edge to edge.
void expectRedOverBlue(const PngFile& png) {
    for (int x : {0, 320, 639}) {
        EXPECT_TRUE(isRed(png.at(x, 0))) << "top row at x=" << x;
        EXPECT_TRUE(isBlue(png.at(x, 359))) << "bottom row at x=" << x;
    }
}

// Top, middle and bottom of the still's column at `x`, all of one colour.
void expectColumnIs(const PngFile& png, int x, bool (*colour)(Rgb)) {
    for (int y : {0, 180, 359}) EXPECT_TRUE(colour(png.at(x, y))) << "at x=" << x << ", y=" << y;
}

class ContainerCapture : public CaptureTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ContainerCapture, WritesARedOverBlueStillAndNothingElse) {
    const fs::path png = scratch / "still.png";
    ASSERT_TRUE(capture(fixture(GetParam()), png));
    const PngFile still = readPng(png);
    expectStillFormat(still);
    expectRedOverBlue(still);
    EXPECT_EQ(listTree(scratch), std::vector<fs::path>{"still.png"}) << "a temporary file was left behind";
}

INSTANTIATE_TEST_SUITE_P(EveryContainer, ContainerCapture,
                         ::testing::Values("clip.mp4", "clip.mkv", "clip.avi", "clip.mov", "clip.flv", "clip.wmv",
                                           "clip.m4v", "clip.mpeg", "clip.mpg", "full_hd.mp4", "truncated.mkv",
                                           "webm_clip.webm", "ts_clip.ts"),
                         fileNameAsTestName);

bool isBlack(Rgb pixel) {
    return pixel.red < 16 && pixel.green < 16 && pixel.blue < 16;
}

// 720 x 576 with a green strip over its left quarter, shown at 4:3 and 16:9.
TEST_F(CaptureTest, KeepsTheDisplayAspectRatioWithBlackBars) {
    const fs::path narrow = scratch / "4x3.png";
    ASSERT_TRUE(capture(fixture("pal_4x3.mpg"), narrow));
    const PngFile bars = readPng(narrow);
    expectStillFormat(bars);
    // 480 x 360 in the middle: bars over x < 80 and x >= 560, the strip to x = 200.
    for (int y : {0, 180, 359}) {
        EXPECT_TRUE(isBlack(bars.at(40, y)) && isBlack(bars.at(600, y))) << "bars at y=" << y;
        EXPECT_TRUE(isGreen(bars.at(90, y)) && isGreen(bars.at(190, y))) << "strip at y=" << y;
        EXPECT_FALSE(isGreen(bars.at(215, y))) << "past the strip at y=" << y;
    }
    EXPECT_TRUE(isRed(bars.at(550, 0)));
    EXPECT_TRUE(isBlue(bars.at(550, 359)));

    // Pixels wider than high make the same frame 16:9: it fills the still.
    const fs::path wide = scratch / "16x9.png";
    ASSERT_TRUE(capture(fixture("pal_16x9.mpg"), wide));
    const PngFile filled = readPng(wide);
    for (int y : {0, 180, 359}) {
        EXPECT_TRUE(isGreen(filled.at(0, y)) && isGreen(filled.at(150, y))) << "strip at y=" << y;
        EXPECT_FALSE(isGreen(filled.at(175, y))) << "past the strip at y=" << y;
    }
    EXPECT_TRUE(isRed(filled.at(639, 0)));
    EXPECT_TRUE(isBlue(filled.at(639, 359)));
}

TEST_F(CaptureTest, TurnsAPhoneVideoUpright) {
    // Stored 160 x 88 with the strip on the left, shown turned a quarter
    // counter-clockwise: 198 x 360 in the middle, the strip along the
    // bottom, red on the left, blue on the right.
    const fs::path png = scratch / "phone.png";
    ASSERT_TRUE(capture(fixture("rotated.mp4"), png));
    const PngFile still = readPng(png);
    expectStillFormat(still);
    for (int y : {5, 180, 354}) EXPECT_TRUE(isBlack(still.at(200, y)) && isBlack(still.at(440, y))) << y;
    EXPECT_TRUE(isRed(still.at(240, 20)) && isRed(still.at(300, 200)));
    EXPECT_TRUE(isBlue(still.at(340, 20)) && isBlue(still.at(400, 200)));
    EXPECT_TRUE(isGreen(still.at(240, 350)) && isGreen(still.at(400, 300)));
}

TEST_F(CaptureTest, ShortVideoGetsTheFramesTheDecoderHeldBack) {
    // Both frames of this file come out of the decoder only when it is drained.
    const fs::path png = scratch / "drain.png";
    ASSERT_TRUE(capture(fixture("drain_only.mp4"), png));
    expectStillFormat(readPng(png));
}

TEST_F(CaptureTest, FramesTheFileMarksToDropAreNotTheStill) {
    // The red key frame of this file comes before its edit's start; the first
    // picture shown is blue.
    const fs::path png = scratch / "edit.png";
    ASSERT_TRUE(capture(fixture("edit_list.mp4"), png));
    const PngFile still = readPng(png);
    expectStillFormat(still);
    expectColumnIs(still, 320, isBlue);
}

TEST_F(CaptureTest, FailedSeekStillGivesTheFirstPicture) {
    // Seeking this file fails and leaves the demuxer among the blue frames,
    // which decode to noise; the still must be the red first picture.
    const fs::path png = scratch / "late.png";
    ASSERT_TRUE(capture(fixture("late_start.flv"), png));
    const PngFile still = readPng(png);
    expectStillFormat(still);
    expectColumnIs(still, 320, isRed);
}

TEST_F(CaptureTest, ChineseVideoAndStillNames) {
    const fs::path directory = scratch / fs::path(u8"缩略图");
    fs::create_directory(directory);
    const fs::path png = directory / fs::path(u8"中文视频.png");
    ASSERT_TRUE(capture(fixture("中文视频.mp4"), png));
    expectRedOverBlue(readPng(png));
}

}  // namespace
