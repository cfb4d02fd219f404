// The pool reads and writes only through the shared folder it opened at the
// start, and reads only what the web server would serve.
#include <sys/stat.h>
#include <unistd.h>

#include "tests/thumbs/capture_test_support.h"
#include "tests/thumbs/pool_fixture.h"

namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

class PoolHeldFolder : public PoolTest {
protected:
    // Root alone may give files away.
    bool mayChangeOwners() const { return ::geteuid() == 0; }

    void giveTo(const fs::path& path, uid_t owner) { ASSERT_EQ(::lchown(path.c_str(), owner, owner), 0) << path; }
};

}  // namespace

// The user swaps the shared folder for a link to another folder while the
// share runs: the rescans go on in the folder that was opened, and nothing
// is read from or written to the other one.
TEST_F(PoolHeldFolder, AFolderSwappedForALinkAfterTheStartLeadsNowhereElse) {
    scratch.file("share/first.mp4");
    const fs::path elsewhere = scratch.directory("elsewhere");
    ThumbnailPool::Options settings = options();
    settings.rescanInterval = std::chrono::milliseconds(20);
    startPool(std::move(settings));
    ASSERT_TRUE(fake.waitForCaptures(1));

    const fs::path moved = scratch.root() / "moved";
    fs::rename(share, moved);
    fs::create_directory_symlink(elsewhere, share);
    scratch.file("elsewhere/theirs.mp4", "another folder's video");
    scratch.file("moved/late.mp4", "a video added to the shared folder");
    ASSERT_TRUE(fake.waitForCaptures(2));
    pool->stop();

    EXPECT_EQ(fake.begun().back(), share / "late.mp4");
    EXPECT_EQ(contentsOf(moved / "VTemp/late.png"), markerFor(share / "late.mp4"));
    EXPECT_EQ(listTree(elsewhere), std::vector<fs::path>{"theirs.mp4"}) << "written to through the link";
}

// nginx serves a link only when its owner owns what it leads to; the pool
// renders nothing nginx refuses.
TEST_F(PoolHeldFolder, ALinkToAFileItsOwnerDoesNotOwnGetsNoStill) {
    if (!mayChangeOwners()) GTEST_SKIP() << "giving a file to another user takes root";
    const fs::path theirs = scratch.file("theirs/private.mp4");
    giveTo(theirs, kNobody);
    const fs::path stolen = scratch.link("share/stolen.mp4", "../theirs/private.mp4");
    const fs::path own = scratch.link("share/own.mp4", "../theirs/private.mp4");
    giveTo(own, kNobody);
    runToEnd();

    EXPECT_EQ(fake.begun(), std::vector<fs::path>{own});
    ASSERT_EQ(pool->failures().size(), 1u);
    EXPECT_EQ(pool->failures()[0].video, stolen);
    EXPECT_EQ(pool->failures()[0].reason, "a link to a file its owner does not own, which the web server refuses");
    EXPECT_FALSE(fs::exists(thumbs / "stolen.png"));
}

// Root shares a user's folder: what that user could not read, root does not
// render either, be it closed itself or behind a closed folder.
TEST_F(PoolHeldFolder, RootRendersNothingTheFoldersOwnerCouldNotRead) {
    if (!mayChangeOwners()) GTEST_SKIP() << "this runs as root only";
    const fs::path readable = scratch.file("share/public.mp4");
    const fs::path closed = scratch.file("share/private.mp4");
    const fs::path behind = scratch.file("share/locked/inside.mp4");
    fs::permissions(readable, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    fs::permissions(closed, fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(share / "locked", fs::perms::owner_all);
    giveTo(share, kNobody);
    runToEnd();

    EXPECT_EQ(fake.begun(), std::vector<fs::path>{readable});
    const std::vector<StillFailure> failures = failuresByVideo();
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0].video, behind);
    EXPECT_EQ(failures[1].video, closed);
    for (const StillFailure& failure : failures) EXPECT_EQ(failure.reason, "the shared folder's owner may not read it");
}
