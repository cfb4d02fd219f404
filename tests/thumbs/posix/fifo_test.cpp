// A FIFO named like a video: discovery passes it over and a capture refuses
// it at once, with no writer ever coming.
#include <sys/stat.h>

#include "tests/thumbs/capture_test_support.h"
#include "thumbs/video_discovery.h"

namespace {

TEST_F(CaptureTest, AFifoNamedLikeAVideoIsNeitherListedNorWaitedOn) {
    const fs::path fifo = scratch / "stream.mp4";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_TRUE(scanVideos(scratch).empty());
    EXPECT_FALSE(capture(fifo, scratch / "stream.png"));
    EXPECT_EQ(listTree(scratch), std::vector<fs::path>{"stream.mp4"});
}

}  // namespace
