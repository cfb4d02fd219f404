// The Windows command lines, built by our functions and run by
// runShellCommand through cmd.exe, against stand-ins placed where nginx.exe
// and htpasswd.exe live: each line reaches its program with the arguments
// and the working directory that the program relies on.
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "config/install_paths.h"
#include "config/text_conversion.h"
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
          htpasswd_(TestFolder::placeProgram(recordingStandIn(), serverDir_, L"htpasswd.exe")) {
        deriveSettingsPath(service_, programDir_.native());
        deriveInstallationPaths(service_, programDir_.native());
        service_.settings.userName = "访客 一";
        service_.settings.password = "密 码&|<>^ x";
        service_.settings.port = 8080;
    }

    std::string programDirUtf8() const { return utf8Of(programDir_); }

    TestFolder folder_;
    fs::path programDir_;
    fs::path serverDir_;
    fs::path nginx_;
    fs::path htpasswd_;
    ShareService service_;
};

TEST_F(ServerCommandLines, PasswordLineHandsTheFileUserAndPasswordToHtpasswd) {
    runShellCommand(passwordCommandLine(kCmd, service_));

    const std::vector<CallRecord> calls = readCallRecords(callsFileOf(htpasswd_));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].arguments, (Arguments{"-c", "-b", service_.passwordFilePath, "访客 一", "密 码&|<>^ x"}));
}

TEST_F(ServerCommandLines, PasswordLineCarriesAnEmptyPassword) {
    service_.settings.password.clear();
    runShellCommand(passwordCommandLine(kCmd, service_));

    const std::vector<CallRecord> calls = readCallRecords(callsFileOf(htpasswd_));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].arguments, (Arguments{"-c", "-b", service_.passwordFilePath, "访客 一", ""}));
}

// Before the closing quote a backslash would escape it for the C runtime.
TEST_F(ServerCommandLines, PasswordLineKeepsTrailingBackslashes) {
    service_.settings.userName = "bob\\";
    service_.settings.password = "abc\\";
    runShellCommand(passwordCommandLine(kCmd, service_));

    const std::vector<CallRecord> calls = readCallRecords(callsFileOf(htpasswd_));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].arguments, (Arguments{"-c", "-b", service_.passwordFilePath, "bob\\", "abc\\"}));
}

TEST_F(ServerCommandLines, TheServerStartsInItsDirectoryWithoutArguments) {
    std::string error;
    const auto server = platform::ServerProcess::start(serverLaunch(service_, programDir_.native()), error);
    ASSERT_NE(server, nullptr) << error;

    const std::vector<CallRecord> calls = waitForCalls(nginx_, 1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].workingDirectory, utf8Of(serverDir_));
    EXPECT_TRUE(calls[0].arguments.empty());
}

TEST_F(ServerCommandLines, StopLineAsksNginxToQuitWithItsConfiguration) {
    runShellCommand(serverStopCommandLine(kCmd, service_, programDirUtf8()));

    const std::vector<CallRecord> calls = readCallRecords(callsFileOf(nginx_));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].workingDirectory, utf8Of(serverDir_));
    EXPECT_EQ(calls[0].arguments, (Arguments{"-c", service_.configPath, "-s", "quit"}));
}

TEST_F(ServerCommandLines, FirewallLineDoesNotRunTheServerProgram) {
    runShellCommand(firewallCommandLine(kCmd, service_));
    EXPECT_TRUE(readCallRecords(callsFileOf(nginx_)).empty());
}

// Inside the quotes of a cmd.exe line a double quote would end the value and
// "%" would expand a variable; such values are refused before any line.
TEST_F(ServerCommandLines, ValuesCmdWouldReadSpeciallyAreRefused) {
    service_.settings.sharedFolder = "D:\\共享";
    service_.settings.shareName = "电影";
    ASSERT_FALSE(findUnsafeValue(service_, kCmd).has_value());

    for (const std::string bad : {"a\"b", "100%", "%PATH%"}) {
        ShareService withBadUser = service_;
        withBadUser.settings.userName = bad;
        EXPECT_TRUE(findUnsafeValue(withBadUser, kCmd).has_value()) << bad;
        ShareService withBadPassword = service_;
        withBadPassword.settings.password = bad;
        EXPECT_TRUE(findUnsafeValue(withBadPassword, kCmd).has_value()) << bad;
    }
}

}  // namespace
