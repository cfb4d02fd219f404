// What writePasswordFile hands htpasswd and how it judges the result, with a
// stand-in for htpasswd that records its call and acts on the file; and the
// file it writes itself where there is no htpasswd, with a stand-in hash.
#include "nginx/password_file.h"

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "tests/common/test_folder.h"

namespace {

struct HtpasswdCall {
    std::filesystem::path program;
    std::vector<std::string> arguments;
    std::string standardInput;
    std::string fileWhenCalled;
};

class PasswordFile : public ::testing::Test {
protected:
    // Records the call; writes `written` to the file and ends with `result`.
    platform::ProgramRunner htpasswd(const std::string& written, platform::ProgramRun result = {true, 0}) {
        return [=, this](const std::filesystem::path& program, const std::vector<std::string>& arguments,
                         const std::string& standardInput) {
            calls_.push_back({program, arguments, standardInput, readFile(entry_.file)});
            if (result.started) writeFile(entry_.file, written);
            return result;
        };
    }

    TestFolder folder_{"password file"};
    PasswordFileEntry entry_{folder_ / "htpasswd", folder_ / ".htpasswd", "o\"brien 100%", "p@ss \"50%\" $x 'y'"};
    std::vector<HtpasswdCall> calls_;
};

// The password goes in on the standard input, never among the arguments; the
// file is already there, empty, when htpasswd adds the user to it.
TEST_F(PasswordFile, HtpasswdGetsThePasswordOnItsInputAndAnEmptyFile) {
    writeFile(entry_.file, "old:$apr1$stale\n");
    EXPECT_TRUE(writePasswordFile(entry_, htpasswd("o\"brien 100%:$apr1$x$y\n")));

    ASSERT_EQ(calls_.size(), 1u);
    EXPECT_EQ(calls_[0].program, entry_.htpasswd);
    EXPECT_EQ(calls_[0].arguments,
              (std::vector<std::string>{"-i", platform::utf8FromPath(entry_.file), "o\"brien 100%"}));
    EXPECT_EQ(calls_[0].standardInput, "p@ss \"50%\" $x 'y'\n");
    EXPECT_EQ(calls_[0].fileWhenCalled, "") << "a stale user would stay in the file";
}

TEST_F(PasswordFile, FailsWhenHtpasswdDidNotAddTheUser) {
    EXPECT_FALSE(writePasswordFile(entry_, htpasswd("")));
    EXPECT_FALSE(writePasswordFile(entry_, htpasswd("o\"brien 1000%:$apr1$x$y\n")));
    EXPECT_FALSE(writePasswordFile(entry_, htpasswd("o\"brien 100%:$apr1$x$y\n", {true, 1})));
    EXPECT_FALSE(writePasswordFile(entry_, htpasswd("", {false, -1})));
}

TEST_F(PasswordFile, FailsWithoutCallingHtpasswdWhenTheFileCannotBeMade) {
    entry_.file = folder_ / "missing folder" / ".htpasswd";
    EXPECT_FALSE(writePasswordFile(entry_, htpasswd("o\"brien 100%:$apr1$x$y\n")));
    EXPECT_TRUE(calls_.empty());
}

// Without htpasswd: the hash of the password, never the password, and the
// one user; a hard link to the old file keeps the old text, as the new file
// replaces it rather than overwriting it.
TEST_F(PasswordFile, WithoutHtpasswdTheFileIsReplacedByTheHashedLine) {
    entry_.htpasswd.clear();
    writeFile(entry_.file, "old:{SSHA}stale\n");
    std::filesystem::create_hard_link(entry_.file, folder_ / "old link");
    std::string hashed;
    const PasswordHasher hash = [&](const std::string& password) {
        hashed = password;
        return std::optional<std::string>("{SSHA}aGFzaA==");
    };

    ASSERT_TRUE(writePasswordFile(entry_, htpasswd(""), hash));
    EXPECT_EQ(readFile(entry_.file), "o\"brien 100%:{SSHA}aGFzaA==\n");
    EXPECT_EQ(hashed, entry_.password);
    EXPECT_TRUE(calls_.empty());
    EXPECT_EQ(readFile(folder_ / "old link"), "old:{SSHA}stale\n");
    EXPECT_FALSE(std::filesystem::exists(folder_ / ".htpasswd.tmp"));
}

TEST_F(PasswordFile, WithoutHtpasswdFailsWhenNoHashOrNoFileCanBeMade) {
    entry_.htpasswd.clear();
    const PasswordHasher noHash = [](const std::string&) { return std::nullopt; };
    EXPECT_FALSE(writePasswordFile(entry_, htpasswd(""), noHash));
    EXPECT_FALSE(std::filesystem::exists(entry_.file));

    entry_.file = folder_ / "missing folder" / ".htpasswd";
    EXPECT_FALSE(writePasswordFile(entry_, htpasswd(""), [](const std::string&) { return "{SSHA}aGFzaA=="; }));
    EXPECT_TRUE(calls_.empty());
}

}  // namespace
