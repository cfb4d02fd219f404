// Run as root, nginx's workers are handed to the shared folder's owner by
// name; an owner without one must be found before Start, not by a 500.
#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include "platform/server_process.h"
#include "tests/common/test_folder.h"

namespace {

TEST(FolderOwner, AnOwnerWithoutAnAccountIsNamedByItsIds) {
    constexpr uid_t kUnknown = 54321;
    if (geteuid() != 0) GTEST_SKIP() << "only root hands the workers to the folder's owner";
    if (getpwuid(kUnknown) != nullptr || getgrgid(kUnknown) != nullptr) GTEST_SKIP() << "id 54321 is taken here";
    const TestFolder folder("owner");
    EXPECT_EQ(platform::folderOwnerWithoutAccount(folder.path()), std::nullopt) << "root's own folder";

    ASSERT_EQ(chown(folder.path().c_str(), kUnknown, 0), 0);
    EXPECT_EQ(platform::folderOwnerWithoutAccount(folder.path()), "54321:0");

    ASSERT_EQ(chown(folder.path().c_str(), 0, kUnknown), 0);
    EXPECT_EQ(platform::folderOwnerWithoutAccount(folder.path()), "0:54321") << "a group without a name";
}

}  // namespace
