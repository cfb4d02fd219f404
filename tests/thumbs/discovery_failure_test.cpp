#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/thumbs/locked_directory.h"
#include "tests/thumbs/scratch_folder.h"
#include "thumbs/video_discovery.h"

namespace fs = std::filesystem;

namespace {

void expectScanFailure(const fs::path& root, const std::string& operation, const fs::path& culprit) {
    try {
        const auto videos = scanVideos(root);
        ADD_FAILURE() << "the scan returned " << videos.size() << " videos";
    } catch (const fs::filesystem_error& error) {
        EXPECT_NE(std::string(error.what()).find(operation + ":"), std::string::npos) << error.what();
        EXPECT_EQ(error.path1(), culprit);
        EXPECT_EQ(error.code(), std::errc::permission_denied);
    }
}

}  // namespace

// Each case locks one directory; the scan must fail as a whole, naming
// what it could not read, and return no partial list.
class ScanFailure : public ::testing::Test {
protected:
    ScratchFolder scratch;
};

TEST_F(ScanFailure, ASubdirectoryThatCannotBeOpenedFailsTheScan) {
    scratch.file("a.mp4");
    scratch.file("z.mp4");
    const fs::path closed = scratch.file("closed/inside.mp4").parent_path();
    LockedDirectory lock(closed);
    if (!lock.holdsBack()) return runThisTestAsNobody();
    expectScanFailure(scratch.root(), "recursive_directory_iterator::operator++", closed);
}

TEST_F(ScanFailure, ARootThatCannotBeOpenedFailsTheScan) {
    const fs::path root = scratch.file("share/clip.mp4").parent_path();
    LockedDirectory lock(root);
    if (!lock.holdsBack()) return runThisTestAsNobody();
    expectScanFailure(root, "recursive_directory_iterator::recursive_directory_iterator", root);
}

TEST_F(ScanFailure, ARootThatCannotBeLookedAtFailsTheScan) {
    const fs::path root = scratch.file("outer/share/clip.mp4").parent_path();
    LockedDirectory lock(root.parent_path());
    if (!lock.holdsBack()) return runThisTestAsNobody();
    expectScanFailure(root, "exists", root);
}

TEST_F(ScanFailure, ALinkWhoseTargetCannotBeLookedAtFailsTheScan) {
    if (!scratch.canLink()) GTEST_SKIP() << "this system makes no symbolic links";
    scratch.file("hidden/clip.mp4");
    const fs::path link = scratch.link("share/clip.mp4", "../hidden/clip.mp4");
    LockedDirectory lock(scratch.root() / "hidden");
    if (!lock.holdsBack()) return runThisTestAsNobody();
    expectScanFailure(scratch.root() / "share", "directory_entry::status", link);
}

// Asked to, the scan skips a subfolder it may not open and names it; every
// video around it is still found, and an empty folder is not named.
TEST_F(ScanFailure, AnUnreadableSubfolderIsSkippedAndNamedWhenAskedTo) {
    const fs::path before = scratch.file("a/clip.mp4");
    const fs::path closed = scratch.file("b/inside.mp4").parent_path();
    const fs::path nested = scratch.file("c/d/clip.mkv");
    scratch.directory("e");
    const fs::path after = scratch.file("f.mp4");
    LockedDirectory lock(closed);
    if (!lock.holdsBack()) return runThisTestAsNobody();

    std::vector<fs::path> unreadable;
    auto videos = scanVideos(scratch.root(), &unreadable);
    std::sort(videos.begin(), videos.end());
    EXPECT_EQ(videos, (std::vector<fs::path>{before, nested, after}));
    EXPECT_EQ(unreadable, std::vector<fs::path>{closed});
}

TEST_F(ScanFailure, AnUnreadableRootFailsEvenWhenSubfoldersMayBeSkipped) {
    const fs::path root = scratch.file("share/clip.mp4").parent_path();
    LockedDirectory lock(root);
    if (!lock.holdsBack()) return runThisTestAsNobody();
    std::vector<fs::path> unreadable;
    EXPECT_THROW(scanVideos(root, &unreadable), fs::filesystem_error);
}
