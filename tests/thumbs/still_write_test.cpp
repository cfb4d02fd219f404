// Writing a still into the thumbnail tree: whole or not at all, and never
// through a link, wherever in the tree it stands.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>

#include "tests/thumbs/pool_fixture.h"
#include "thumbs/atomic_file_write.h"
#include "thumbs/still_tree.h"

namespace fs = std::filesystem;

namespace {

using Paths = std::vector<fs::path>;

std::vector<fs::path> namesIn(const fs::path& directory) {
    std::vector<fs::path> names;
    for (const auto& entry : fs::directory_iterator(directory)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

bool write(const platform::LinkFreeDirectory& directory, const fs::path& name, const std::string& text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    return writeFileAtomically(directory, name, {bytes, text.size()});
}

class StillWrite : public PoolTest {
protected:
    // A link at `relative` below the scratch root to `target`, skipping the
    // test where this system makes none.
    bool linkOrSkip(const fs::path& relative, const fs::path& target) {
        if (!scratch.canLink()) return false;
        scratch.link(relative, target);
        return true;
    }

    // Runs the pool over the one video and expects it failed, with nothing
    // captured and nothing made outside the share.
    void expectFailsWithoutCapture(const fs::path& video) {
        runToEnd();
        EXPECT_EQ(failedVideos(), Paths{video});
        EXPECT_TRUE(fake.begun().empty()) << "captured although the still could not be written";
        EXPECT_EQ(namesIn(outside), std::vector<fs::path>{"kept.png"}) << video;
        EXPECT_EQ(contentsOf(outside / "kept.png"), "someone else's");
    }

    Paths failedVideos() const {
        Paths videos;
        for (const StillFailure& failure : failuresByVideo()) videos.push_back(failure.video);
        return videos;
    }

    const fs::path outside = scratch.directory("outside");
    const fs::path kept = scratch.file("outside/kept.png", "someone else's");
};

TEST_F(StillWrite, ReplacesWholeAndLeavesNoTemporaryFile) {
    const auto directory = openStillDirectory(*platform::LinkFreeDirectory::open(share), "a/b/still.png");
    ASSERT_NE(directory, nullptr);
    ASSERT_TRUE(fs::is_directory(thumbs / "a/b"));
    ASSERT_TRUE(write(*directory, "still.png", "an old, broken still that is much longer than the new one"));
    ASSERT_TRUE(write(*directory, "still.png", "new still"));
    EXPECT_EQ(contentsOf(thumbs / "a/b/still.png"), "new still");
    EXPECT_EQ(namesIn(thumbs / "a/b"), std::vector<fs::path>{"still.png"});

    fs::create_directory(thumbs / "a/b/folder.png");
    EXPECT_FALSE(write(*directory, "folder.png", "a still"));
    EXPECT_TRUE(fs::is_directory(thumbs / "a/b/folder.png"));
    EXPECT_EQ(namesIn(thumbs / "a/b"), (std::vector<fs::path>{"folder.png", "still.png"}));
}

TEST_F(StillWrite, TwoWritersOfOneStillLeaveOneWholeFile) {
    const auto directory = openStillDirectory(*platform::LinkFreeDirectory::open(share), "clip.png");
    ASSERT_NE(directory, nullptr);
    const std::string first(300'000, 'a'), second(200'000, 'b');
    for (int round = 0; round < 5; ++round) {
        bool a = false, b = false;
        std::thread one([&] { a = write(*directory, "clip.png", first); });
        std::thread two([&] { b = write(*directory, "clip.png", second); });
        one.join();
        two.join();
        EXPECT_TRUE(a && b);
        const std::string written = contentsOf(thumbs / "clip.png");
        EXPECT_TRUE(written == first || written == second) << "a mixed or cut still of " << written.size() << " bytes";
        EXPECT_EQ(namesIn(thumbs), std::vector<fs::path>{"clip.png"});
    }
}

// A directory link in the thumbnail tree to a folder outside the share, a
// file link at a still's place, and the thumbnail root itself a link.
TEST_F(StillWrite, ALinkInTheDirectoryPathIsAnObstacleLeftAlone) {
    const fs::path video = scratch.file("share/sub/clip.mp4");
    if (!linkOrSkip("share/VTemp/sub", "../../outside")) GTEST_SKIP() << "this system makes no symbolic links";
    expectFailsWithoutCapture(video);
    EXPECT_EQ(fs::read_symlink(thumbs / "sub"), "../../outside");
}

TEST_F(StillWrite, ALinkAtTheStillsPlaceIsAnObstacleLeftAlone) {
    // One link to a file outside, one to a name nothing holds yet.
    const fs::path clip = scratch.file("share/clip.mp4");
    const fs::path other = scratch.file("share/other.mkv");
    if (!linkOrSkip("share/VTemp/clip.png", "../../outside/kept.png")) GTEST_SKIP() << "no symbolic links";
    scratch.link("share/VTemp/other.png", "../../outside/new.png");
    runToEnd();
    EXPECT_EQ(failedVideos(), (Paths{clip, other}));
    EXPECT_TRUE(fake.begun().empty());
    EXPECT_EQ(namesIn(outside), std::vector<fs::path>{"kept.png"});
    EXPECT_EQ(contentsOf(kept), "someone else's");
    EXPECT_EQ(fs::read_symlink(thumbs / "clip.png"), "../../outside/kept.png");
    EXPECT_EQ(fs::read_symlink(thumbs / "other.png"), "../../outside/new.png");
}

TEST_F(StillWrite, AThumbnailRootThatIsALinkIsNotWrittenThrough) {
    const fs::path video = scratch.file("share/clip.mp4");
    if (!linkOrSkip("share/VTemp", "../outside")) GTEST_SKIP() << "this system makes no symbolic links";
    expectFailsWithoutCapture(video);
    EXPECT_TRUE(fs::is_symlink(thumbs));
}

}  // namespace
