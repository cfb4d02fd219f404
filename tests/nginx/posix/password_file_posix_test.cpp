// The password file made by the real htpasswd: user names and passwords that
// a shell or cmd.exe would read specially verify as typed, and the file is its
// owner's alone.
#include "nginx/password_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/paths.h"
#include "tests/common/test_folder.h"

namespace {

const std::string kUser = "o\"brien 100% $HOME 'q' 访客";
const std::string kPassword = "p\"a%ss $w'rd `id` 密码";

// The system's htpasswd, found through the search path.
PasswordFileEntry entryIn(const TestFolder& folder) {
    return {"htpasswd", folder / "程序 'x'" / ".htpasswd", kUser, kPassword};
}

// htpasswd's own check of a password against the file.
bool verifies(const PasswordFileEntry& entry, const std::string& password) {
    const auto run = platform::runProgram("htpasswd", {"-v", "-i", platform::utf8FromPath(entry.file), entry.userName},
                                          password + "\n");
    return run.started && run.exitCode == 0;
}

std::filesystem::perms permissionsOf(const std::filesystem::path& file) {
    return std::filesystem::status(file).permissions();
}

class RealHtpasswd : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(entry_.file.parent_path()); }

    TestFolder folder_{"real htpasswd"};
    PasswordFileEntry entry_ = entryIn(folder_);
};

TEST_F(RealHtpasswd, AwkwardUserAndPasswordVerifyAsTyped) {
    ASSERT_TRUE(writePasswordFile(entry_));
    const std::string text = readFile(entry_.file);
    EXPECT_TRUE(text.starts_with(kUser + ":")) << text;
    EXPECT_EQ(text.find(kPassword), std::string::npos) << "stored hashed";
    EXPECT_TRUE(verifies(entry_, kPassword));
    EXPECT_FALSE(verifies(entry_, kPassword + "x"));
}

// However loose the program's umask, or the mode of a file left by an
// earlier run, the file is readable and writable by its owner only, and
// holds the one user.
TEST_F(RealHtpasswd, TheFileIsPrivateAndHoldsTheOneUser) {
    writeFile(entry_.file, "old:$apr1$stale\n");
    std::filesystem::permissions(entry_.file, std::filesystem::perms::all);
    const mode_t previousMask = umask(0);
    const bool written = writePasswordFile(entry_);
    umask(previousMask);

    ASSERT_TRUE(written);
    EXPECT_EQ(permissionsOf(entry_.file), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(readFile(entry_.file).find("old:"), std::string::npos);

    std::filesystem::remove(entry_.file);
    umask(0);
    ASSERT_TRUE(writePasswordFile(entry_));
    umask(previousMask);
    EXPECT_EQ(permissionsOf(entry_.file), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(RealHtpasswd, AMissingHtpasswdFails) {
    entry_.htpasswd = folder_ / "no htpasswd here";
    EXPECT_FALSE(writePasswordFile(entry_));
}

}  // namespace
