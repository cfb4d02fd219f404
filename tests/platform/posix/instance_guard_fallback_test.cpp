// The lock where the session has no runtime folder (as under su): in a
// folder of the user's own below $TMPDIR, or in the home folder when that
// name is not private; here both lie in the test's own runtime folder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/file.h>
#include <unistd.h>

#include "tests/platform/instance_guard_fixture.h"

namespace fs = std::filesystem;

namespace {

class FallbackLockTest : public InstanceGuardTest {
protected:
    void SetUp() override {
        InstanceGuardTest::SetUp();
        fs::remove_all(temporary());
        fs::remove_all(home());
        fs::create_directories(temporary());
        fs::create_directories(home());
        fs::permissions(temporary(), fs::perms::all | fs::perms::sticky_bit);  // as /tmp
    }
    void TearDown() override {
        fs::remove_all(temporary());
        fs::remove_all(home());
    }

    fs::path temporary() const { return runtimeDir_ / "tmp"; }
    fs::path home() const { return runtimeDir_ / "home"; }
    fs::path ownTemporaryFolder() const { return temporary() / ("vomra-" + std::to_string(getuid())); }

    bool probeWithoutRuntimeFolder(const std::string& arguments) const {
        return probe(arguments,
                     "env -u XDG_RUNTIME_DIR TMPDIR='" + temporary().string() + "' HOME='" + home().string() + "' ");
    }
};

TEST_F(FallbackLockTest, TheLockLiesInAFolderOnlyTheUserCanWriteTo) {
    EXPECT_TRUE(probeWithoutRuntimeFolder("lock-in-private-folder"));
    EXPECT_TRUE(probeWithoutRuntimeFolder("hold expect already-running"));
}

// Ours but open to others: a folder someone else could have filled.
TEST_F(FallbackLockTest, AnOwnFolderOthersCanWriteToIsPassedOver) {
    fs::create_directory(ownTemporaryFolder());
    fs::permissions(ownTemporaryFolder(), fs::perms::all);
    EXPECT_TRUE(probeWithoutRuntimeFolder("lock-in-private-folder"));
    EXPECT_TRUE(probeWithoutRuntimeFolder("hold expect already-running"));
}

// Another user made the folder's name first, with a lock file in it that
// anyone may open: the guard still keeps a second copy out.
TEST_F(FallbackLockTest, AFolderAnotherUserMadeFirstDoesNotSwitchTheGuardOff) {
    constexpr uid_t kStranger = 54321;
    if (geteuid() != 0) GTEST_SKIP() << "only root can make a folder for another user";
    fs::create_directory(ownTemporaryFolder());
    std::ofstream(ownTemporaryFolder() / "VomraServer.lock") << "";
    fs::permissions(ownTemporaryFolder(), fs::perms::all);
    fs::permissions(ownTemporaryFolder() / "VomraServer.lock", fs::perms::all);
    for (const fs::path& planted : {ownTemporaryFolder(), ownTemporaryFolder() / "VomraServer.lock"})
        ASSERT_EQ(lchown(planted.c_str(), kStranger, kStranger), 0);
    EXPECT_TRUE(probeWithoutRuntimeFolder("lock-in-private-folder"));
    EXPECT_TRUE(probeWithoutRuntimeFolder("hold expect already-running"));
}

// A copy that started while the temporary name was not private holds its
// lock in the home folder; a copy started once the name is free again must
// still see it.
TEST_F(FallbackLockTest, ACopyHoldingTheHomeFolderLockIsSeenFromTheTemporaryFolder) {
    fs::create_directory(home() / ".vomra");
    const fs::path homeLock = home() / ".vomra" / "VomraServer.lock";
    std::ofstream(homeLock) << "";
    const int held = open(homeLock.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
    EXPECT_TRUE(probeWithoutRuntimeFolder("expect already-running"));
    close(held);
    EXPECT_TRUE(probeWithoutRuntimeFolder("expect first"));
}

}  // namespace
