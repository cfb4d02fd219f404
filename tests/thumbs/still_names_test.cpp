// The rule that names each video's still: <stem>.png, or the whole name
// where a still name would be claimed twice in one folder.
#include <gtest/gtest.h>

#include "thumbs/still_names.h"

namespace fs = std::filesystem;

TEST(StillNames, AStillNameClaimedTwiceGivesWayToWholeNamesUntilNoneIsShared) {
    const std::vector<fs::path> videos{"d/a.mp4", "d/a.mkv",    "d/a.mp4.mkv", "d/a.mp4.mkv.avi", "d/B.mp4",
                                       "d/b.mkv", "d/lone.mp4", "e/a.mp4",     "d/x/a.mp4"};
    EXPECT_EQ(videosWithWholeStillNames(videos),
              (std::set<fs::path>{"d/a.mp4", "d/a.mkv", "d/a.mp4.mkv", "d/a.mp4.mkv.avi", "d/B.mp4", "d/b.mkv"}));
    // Alone, the longer names keep their stems: nothing claims them twice.
    EXPECT_EQ(videosWithWholeStillNames({"d/a.mp4", "d/a.mp4.mkv"}), std::set<fs::path>{});
    EXPECT_EQ(stillPathOf("d/a.mp4.mkv", false), "d/a.mp4.png");
    EXPECT_EQ(stillPathOf("d/a.mp4.mkv", true), "d/a.mp4.mkv.png");
}
