// The web server's process on Windows, with the recording stand-in lingering
// in nginx.exe's place: Stop ends it through the job, and so does the end of
// a program that never stopped it.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <windows.h>

#include "helpers/test_folder.h"
#include "platform/server_process.h"
#include "platform/text_codec.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class ServerProcessJob : public testing::Test {
protected:
    ServerProcessJob()
        : folder_(L"server process 服务器"),
          server_(TestFolder::placeProgram(recordingStandIn(), folder_.path() / L"server", L"nginx.exe")) {}

    // Long enough to outlive every test, short enough to end on its own.
    platform::ServerLaunch lingering() const { return {server_, {"--linger-ms", "60000"}, server_.parent_path()}; }

    TestFolder folder_;
    fs::path server_;
};

// Whether the process ends within `timeout` (or has ended already).
bool endsWithin(long id, std::chrono::milliseconds timeout) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    if (process == nullptr) return true;
    const bool ended = WaitForSingleObject(process, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

}  // namespace

TEST_F(ServerProcessJob, StopEndsTheServerAtOnce) {
    std::string error;
    const auto server = platform::ServerProcess::start(lingering(), error);
    ASSERT_NE(server, nullptr) << error;
    EXPECT_TRUE(server->running());
    EXPECT_TRUE(platform::processAlive(server->id()));

    const auto before = std::chrono::steady_clock::now();
    server->stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    EXPECT_FALSE(server->running());
    EXPECT_TRUE(endsWithin(server->id(), 0ms));
    EXPECT_TRUE(readCallRecords(callsFileOf(server_)).empty()) << "ended before it lingered out";
}

TEST_F(ServerProcessJob, AServerThatCannotRunIsReported) {
    std::string error;
    EXPECT_EQ(platform::ServerProcess::start({folder_.path() / L"missing.exe", {}, folder_.path()}, error), nullptr);
    EXPECT_FALSE(error.empty());
}

// The holder starts the server and ends itself by force; closing its handle
// to the job ends the server.
TEST_F(ServerProcessJob, AProgramThatDiesTakesItsServerAlong) {
    const fs::path pidFile = folder_.path() / L"server.pid";
    std::wstring commandLine = L"\"" + serverHolder().wstring() + L"\" \"" + pidFile.wstring() + L"\" \"" +
                               server_.wstring() + L"\" --linger-ms 60000";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION holder{};
    ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                               &startup, &holder));
    WaitForSingleObject(holder.hProcess, 30000);
    CloseHandle(holder.hThread);
    CloseHandle(holder.hProcess);

    long id = 0;
    std::ifstream(pidFile) >> id;
    ASSERT_NE(id, 0) << "the holder started no server";
    EXPECT_TRUE(endsWithin(id, 2s));
    EXPECT_TRUE(readCallRecords(callsFileOf(server_)).empty()) << "ended before it lingered out";
}

// nginx for Windows takes a reload request from a second nginx.exe, run with
// "-s reload" in the server's working directory, where it finds the pid file.
TEST_F(ServerProcessJob, ReloadRunsTheServerProgramWithSReloadInItsDirectory) {
    std::string error;
    const auto server = platform::ServerProcess::start(lingering(), error);
    ASSERT_NE(server, nullptr) << error;
    EXPECT_TRUE(server->reload());

    const auto calls = readCallRecords(callsFileOf(server_));
    ASSERT_EQ(calls.size(), 1u) << "the reload request, waited for; the server still lingers";
    EXPECT_EQ(calls[0].arguments, (std::vector<std::string>{"-s", "reload"}));
    EXPECT_EQ(calls[0].workingDirectory, utf8Of(server_.parent_path()));
    server->stop();
    EXPECT_FALSE(server->reload()) << "no server to reload";
}
