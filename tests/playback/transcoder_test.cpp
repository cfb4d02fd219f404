// The conversion job as players use it: segment after segment from one job,
// a seek far away restarting it, a job nobody asks of ending, the kept
// segments bounded and removed with the transcoder, and a file replaced
// under the same name converted afresh.
#include <gtest/gtest.h>

#include "platform/process.h"
#include "playback/media_probe.h"
#include "playback/transcoder.h"
#include "tests/common/test_folder.h"
#include "tests/common/wait_for.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class TranscoderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new TestFolder("transcoder");
        ASSERT_EQ(
            platform::runProgram("ffmpeg", {"-loglevel", "error", "-f", "lavfi", "-i", "testsrc2=s=320x180:r=25:d=20",
                                            "-c:v", "mpeg4", utf8Of(*folder / "old.avi")})
                .exitCode,
            0);
        // Another picture, for the file that replaces it.
        ASSERT_EQ(platform::runProgram(
                      "ffmpeg", {"-loglevel", "error", "-f", "lavfi", "-i", "color=c=red:s=320x180:r=25:d=20", "-c:v",
                                 "mpeg4", utf8Of(*folder / "new.avi")})
                      .exitCode,
                  0);
        plan = planSegments({}, probeStreams(*folder / "old.avi").facts->durationSeconds);
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }

    // Segment k of "old.avi", whose file is `file` as it was at `modified`.
    SegmentBytes segment(Transcoder& transcoder, std::size_t k, const char* file = "old.avi",
                         fs::file_time_type modified = {}) {
        return transcoder.segment(platform::RegularFileReader::open(*folder / file), {"old.avi", modified}, plan, k);
    }
    Transcoder::Options options() { return {.folder = *folder / "segments", .idleEnd = 1s, .ahead = 1}; }

    static inline TestFolder* folder = nullptr;
    static inline SegmentPlan plan;
};

std::size_t filesIn(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST_F(TranscoderTest, ServesSegmentsInOrderAndAfterASeekAndEndsWhenNobodyAsks) {
    ASSERT_EQ(plan.starts.size(), 5u);
    {
        Transcoder transcoder(options());
        for (const std::size_t k : {0u, 1u, 4u, 2u, 0u}) {
            const SegmentBytes made = segment(transcoder, k);
            EXPECT_EQ(made.failure, "") << k;
            ASSERT_FALSE(made.bytes.empty()) << k;
            EXPECT_EQ(made.bytes[0], 0x47) << k;
        }
        // Running a segment ahead, then waiting for a player that went away.
        EXPECT_TRUE(transcoder.converting());
        EXPECT_TRUE(waitFor([&] { return !transcoder.converting(); }, 10s));
    }
    EXPECT_FALSE(fs::exists(*folder / "segments"));
}

TEST_F(TranscoderTest, KeepsNoMoreThanItsLimitAndTheNewestFirst) {
    Transcoder::Options small = options();
    small.byteLimit = 1;
    Transcoder transcoder(small);
    ASSERT_FALSE(segment(transcoder, 0).bytes.empty());
    ASSERT_FALSE(segment(transcoder, 1).bytes.empty());
    EXPECT_EQ(filesIn(*folder / "segments"), 1u);
}

TEST_F(TranscoderTest, AFileReplacedUnderTheSameNameIsConvertedAfresh) {
    Transcoder transcoder(options());
    const SegmentBytes before = segment(transcoder, 0);
    ASSERT_FALSE(before.bytes.empty());
    const SegmentBytes after = segment(transcoder, 0, "new.avi", fs::file_time_type::clock::now());
    ASSERT_FALSE(after.bytes.empty());
    EXPECT_NE(after.bytes, before.bytes) << "the replaced file's segment came from the conversion of the old one";
}

}  // namespace
