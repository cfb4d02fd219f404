// The programs of the server directory as the program runs them, against
// stand-ins placed where nginx.exe and an htpasswd.exe a user might have left
// live, below a folder whose name holds blanks and Chinese characters.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>

#include "config/install_paths.h"
#include "helpers/test_folder.h"
#include "nginx/leftover_server.h"
#include "nginx/password_file.h"
#include "nginx/server_launch.h"

namespace fs = std::filesystem;

namespace {

using Arguments = std::vector<std::string>;

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ServerPrograms : public testing::Test {
protected:
    ServerPrograms()
        : folder_(L"server programs"),
          programDir_(folder_.path() / L"Program Files" / L"新建文件夹 (2)"),
          serverDir_(programDir_ / L"vomrixserver" / L"server"),
          nginx_(TestFolder::placeProgram(recordingStandIn(), serverDir_, L"nginx.exe")),
          htpasswd_(TestFolder::placeProgram(recordingStandIn(), serverDir_, L"htpasswd.exe")),
          paths_(programDir_) {
        fs::create_directories(serverDir_ / L"logs");
    }

    TestFolder folder_;
    fs::path programDir_;
    fs::path serverDir_;
    fs::path nginx_;
    fs::path htpasswd_;
    InstallPaths paths_;
    ShareSettings settings_;
};

// The program hashes the password itself, with a new salt each time, and
// runs no htpasswd.exe, even where one lies in the server directory.
TEST_F(ServerPrograms, ThePasswordFileIsWrittenWithoutHtpasswd) {
    const PasswordFileEntry entry{paths_.htpasswdProgram, paths_.passwordFile, "访客 \"一\" 100%", "密 码\"50%off\""};
    ASSERT_TRUE(writePasswordFile(entry));
    const std::string first = readFile(entry.file);
    ASSERT_TRUE(writePasswordFile(entry));
    const std::string second = readFile(entry.file);

    EXPECT_TRUE(first.starts_with("访客 \"一\" 100%:{SSHA}")) << first;
    EXPECT_EQ(first.find("50%off"), std::string::npos) << first;
    EXPECT_NE(first, second) << "the same salt twice";
    EXPECT_FALSE(fs::exists(callsFileOf(htpasswd_)));
    EXPECT_FALSE(fs::exists(fs::path(entry.file) += L".tmp"));
}

TEST_F(ServerPrograms, TheServerStartsInItsDirectoryWithoutArguments) {
    std::string error;
    const auto server = platform::ServerProcess::start(serverLaunch(settings_, paths_), error);
    ASSERT_NE(server, nullptr) << error;

    const std::vector<CallRecord> calls = waitForCalls(nginx_, 1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].workingDirectory, utf8Of(serverDir_));
    EXPECT_TRUE(calls[0].arguments.empty());
}

// nginx's own quit request finds the master through the pid file below the
// prefix; a live process stands for the master here. nginx for Windows ends
// the pid file's line with CR LF.
TEST_F(ServerPrograms, ALeftoverServerIsAskedToQuitThroughNginx) {
    std::ofstream(serverDir_ / L"logs" / L"nginx.pid", std::ios::binary) << GetCurrentProcessId() << "\r\n";
    EXPECT_FALSE(stopLeftoverServer(paths_)) << "this process has not ended";

    const std::vector<CallRecord> calls = readCallRecords(callsFileOf(nginx_));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].arguments, (Arguments{"-p", utf8Of(serverDir_) + "/", "-s", "quit"}));
}

TEST_F(ServerPrograms, NoLeftoverServerRunsNothing) {
    EXPECT_FALSE(stopLeftoverServer(paths_)) << "no pid file";
    std::ofstream(serverDir_ / L"logs" / L"nginx.pid") << "x\n";
    EXPECT_FALSE(stopLeftoverServer(paths_));
    EXPECT_TRUE(readCallRecords(callsFileOf(nginx_)).empty());
}

}  // namespace
