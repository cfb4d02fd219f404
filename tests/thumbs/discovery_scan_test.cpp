#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <type_traits>
#include <vector>

#include "tests/thumbs/scratch_folder.h"
#include "thumbs/video_discovery.h"

namespace fs = std::filesystem;

namespace {

class ScanVideos : public ::testing::Test {
protected:
    // The scan's result below the scratch root, in generic form.
    std::vector<std::string> scanNames(const fs::path& root) const {
        std::vector<std::string> names;
        for (const fs::path& video : scanVideos(root))
            names.push_back(video.lexically_relative(scratch.root()).generic_string());
        return names;
    }

    // The names in one directory, in the order the system lists them.
    static std::vector<std::string> listing(const fs::path& directory) {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(directory))
            names.push_back(entry.path().filename().string());
        return names;
    }

    ScratchFolder scratch;
};

class ScanLinks : public ScanVideos {
protected:
    void SetUp() override {
        if (!scratch.canLink()) GTEST_SKIP() << "this system makes no symbolic links";
    }
};

using Names = std::vector<std::string>;

}  // namespace

TEST_F(ScanVideos, MissingOrFileRootGivesNothing) {
    scratch.file("clip.mp4");
    EXPECT_TRUE(scanVideos(scratch.root() / "missing").empty());
    EXPECT_TRUE(scanVideos(scratch.root() / "missing" / "deeper").empty());
    EXPECT_TRUE(scanVideos(scratch.root() / "clip.mp4").empty());
    EXPECT_TRUE(scanVideos(scratch.root() / "clip.mp4" / "below").empty());
    EXPECT_TRUE(scanVideos(scratch.root() / std::string(5000, 'x')).empty());
}

TEST_F(ScanVideos, ListsVideoFilesAtAnyDepthIncludingHiddenOnes) {
    scratch.file("top.mp4");
    scratch.file("notes.txt");
    scratch.file("a/b/c/deep.MKV");
    scratch.file(".hidden/inside.avi");
    scratch.file(".dotted.mov");
    scratch.directory("empty/emptier");
    scratch.file("VTemp/top.png");
    scratch.file("VTemp/x/v.mp4");
    Names names = scanNames(scratch.root());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Names{".dotted.mov", ".hidden/inside.avi", "VTemp/x/v.mp4", "a/b/c/deep.MKV", "top.mp4"}));
}

TEST_F(ScanVideos, ADirectoryWithAVideoNameIsEnteredNotListed) {
    scratch.file("clip.mp4/inner.mkv");
    EXPECT_EQ(scanNames(scratch.root()), Names{"clip.mp4/inner.mkv"});
}

TEST_F(ScanVideos, PathsAreTheRootAsGivenFollowedByTheEntry) {
    scratch.file("sub/clip.mp4");
    const fs::path spelled = scratch.root() / "sub" / "." / ".." / "sub";
    const std::vector<fs::path> videos = scanVideos(spelled);
    ASSERT_EQ(videos.size(), 1u);
    EXPECT_EQ(videos[0].native(), (spelled / "clip.mp4").native());

    const fs::path withSeparator = scratch.root() / "sub" / "";
    const std::vector<fs::path> again = scanVideos(withSeparator);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].native(), withSeparator.native() + fs::path("clip.mp4").native());
}

TEST_F(ScanVideos, WalksDepthFirstWithSiblingsInListingOrder) {
    // The example tree: a holds clip.mp4 and b, b holds v.avi, c.mkv beside a.
    scratch.file("a/clip.mp4");
    scratch.file("a/b/v.avi");
    scratch.file("c.mkv");
    const Names rootOrder = listing(scratch.root());
    const Names aOrder = listing(scratch.root() / "a");
    Names expected = aOrder.front() == "clip.mp4" ? Names{"a/clip.mp4", "a/b/v.avi"} : Names{"a/b/v.avi", "a/clip.mp4"};
    if (rootOrder.front() == "a")
        expected.push_back("c.mkv");
    else
        expected.insert(expected.begin(), "c.mkv");
    EXPECT_EQ(scanNames(scratch.root()), expected);
}

TEST_F(ScanLinks, LinksToVideosAreListedUnderTheLinksOwnPath) {
    scratch.file("share/sub/real.mp4");
    scratch.file("outside/far.mp4");
    scratch.link("share/inside.mkv", "sub/real.mp4");
    scratch.link("share/outside.mp4", "../outside/far.mp4");
    scratch.link("share/named-wrong.txt", "sub/real.mp4");
    Names names = scanNames(scratch.root() / "share");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Names{"share/inside.mkv", "share/outside.mp4", "share/sub/real.mp4"}));
}

TEST_F(ScanLinks, DirectoryLinksAreNotEntered) {
    scratch.file("elsewhere/only-here.mp4");
    scratch.directory("share");
    scratch.link("share/linked", "../elsewhere");
    scratch.link("share/linked.mp4", "../elsewhere");
    EXPECT_TRUE(scanVideos(scratch.root() / "share").empty());
}

TEST_F(ScanLinks, ARootThatIsALinkIsWalkedThrough) {
    scratch.file("real/clip.mp4");
    const fs::path root = scratch.link("alias", "real");
    EXPECT_EQ(scanNames(root), Names{"alias/clip.mp4"});
}

TEST_F(ScanLinks, DanglingLoopingAndBrokenLinksAreSkipped) {
    scratch.file("ok.mp4");
    scratch.link("dangling.mp4", "missing.mp4");
    scratch.link("self.mp4", "self.mp4");
    scratch.link("ping.mp4", "pong.mp4");
    scratch.link("pong.mp4", "ping.mp4");
    scratch.link("through-a-file.mp4", "ok.mp4/clip.mp4");
    EXPECT_EQ(scanNames(scratch.root()), Names{"ok.mp4"});
}

TEST_F(ScanVideos, KeepsFileNamesThatAreNotUtf8) {
    if constexpr (!std::is_same_v<fs::path::value_type, char>) GTEST_SKIP() << "file names here are UTF-16";
    const fs::path video = scratch.file(fs::path("\xc0\xaf") / "\xff\xfe.mp4");
    EXPECT_EQ(scanVideos(scratch.root()), std::vector<fs::path>{video});
}
