// The Windows command lines, built by our functions and run by
// runShellCommand through cmd.exe, against stand-ins placed where nginx.exe
// and htpasswd.exe live: each line reaches its program with the arguments
// and the working directory that the program relies on.
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "config/install_paths.h"
#include "helpers/test_folder.h"
#include "share/command_lines.h"
#include "share/command_runner.h"
#include "share/safe_values.h"
#include "nginx/server_launch.h"

namespace fs = std::filesystem;

namespace {

constexpr auto kCmd = ShellDialect::WindowsCmd;
using Arguments = std::vector<std::string>;

// A program installed below a folder whose name holds blanks and Chinese
// characters, with both stand-ins in its server directory.
class ServerCommandLines : public testing::Test {
protected:
    ServerCommandLines()
        : folder_(L"server command lines"),
          programDir_(folder_.path() / L"Program Files" / L"新建文件夹 (2)"),
          serverDir_(programDir_ / L"vomrixserver" / L"server"),
          nginx_(TestFolder::placeProgram(recordingStandIn(), serverDir_, L"nginx.exe")),
          htpasswd_(TestFolder::placeProgram(recordingStandIn(), serverDir_, L"htpasswd.exe")),
          paths_(programDir_) {
        settings_.userName = "访客 一";
        settings_.password = "密 码&|<>^ x";
        settings_.port = 8080;
    }

    std::string passwordFile() const { return utf8Of(paths_.passwordFile); }

    TestFolder folder_;
    fs::path programDir_;
    fs::path serverDir_;
    fs::path nginx_;
    fs::path htpasswd_;
    InstallPaths paths_;
    ShareSettings settings_;
};

TEST_F(ServerCommandLines, PasswordLineHandsTheFileUserAndPasswordToHtpasswd) {
    runShellCommand(passwordCommandLine(kCmd, settings_, paths_));

    const std::vector<CallRecord> calls = readCallRecords(callsFileOf(htpasswd_));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].arguments, (Arguments{"-c", "-b", passwordFile(), "访客 一", "密 码&|<>^ x"}));
}

TEST_F(ServerCommandLines, PasswordLineCarriesAnEmptyPassword) {
    settings_.password.clear();
    runShellCommand(passwordCommandLine(kCmd, settings_, paths_));

    const std::vector<CallRecord> calls = readCallRecords(callsFileOf(htpasswd_));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].arguments, (Arguments{"-c", "-b", passwordFile(), "访客 一", ""}));
}

// Before the closing quote a backslash would escape it for the C runtime.
TEST_F(ServerCommandLines, PasswordLineKeepsTrailingBackslashes) {
    settings_.userName = "bob\\";
    settings_.password = "abc\\";
    runShellCommand(passwordCommandLine(kCmd, settings_, paths_));

    const std::vector<CallRecord> calls = readCallRecords(callsFileOf(htpasswd_));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].arguments, (Arguments{"-c", "-b", passwordFile(), "bob\\", "abc\\"}));
}

TEST_F(ServerCommandLines, TheServerStartsInItsDirectoryWithoutArguments) {
    std::string error;
    const auto server = platform::ServerProcess::start(serverLaunch(settings_, paths_), error);
    ASSERT_NE(server, nullptr) << error;

    const std::vector<CallRecord> calls = waitForCalls(nginx_, 1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].workingDirectory, utf8Of(serverDir_));
    EXPECT_TRUE(calls[0].arguments.empty());
}

TEST_F(ServerCommandLines, StopLineAsksNginxToQuitWithItsConfiguration) {
    runShellCommand(serverStopCommandLine(kCmd, paths_));

    const std::vector<CallRecord> calls = readCallRecords(callsFileOf(nginx_));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].workingDirectory, utf8Of(serverDir_));
    EXPECT_EQ(calls[0].arguments, (Arguments{"-c", utf8Of(paths_.configFile), "-s", "quit"}));
}

TEST_F(ServerCommandLines, FirewallLineDoesNotRunTheServerProgram) {
    runShellCommand(firewallCommandLine(kCmd, settings_));
    EXPECT_TRUE(readCallRecords(callsFileOf(nginx_)).empty());
}

// Inside the quotes of a cmd.exe line a double quote would end the value and
// "%" would expand a variable; such values are refused before any line.
TEST_F(ServerCommandLines, ValuesCmdWouldReadSpeciallyAreRefused) {
    settings_.sharedFolder = "D:\\共享";
    settings_.shareName = "电影";
    ASSERT_FALSE(findUnsafeValue(settings_, paths_, kCmd).has_value());

    for (const std::string bad : {"a\"b", "100%", "%PATH%"}) {
        ShareSettings withBadUser = settings_;
        withBadUser.userName = bad;
        EXPECT_TRUE(findUnsafeValue(withBadUser, paths_, kCmd).has_value()) << bad;
        ShareSettings withBadPassword = settings_;
        withBadPassword.password = bad;
        EXPECT_TRUE(findUnsafeValue(withBadPassword, paths_, kCmd).has_value()) << bad;
    }
}

}  // namespace
