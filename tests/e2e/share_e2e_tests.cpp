// The share service end to end: the real nginx and htpasswd in a temporary
// program directory, the fixture videos in a temporary shared folder, curl as
// the other machine, all on 127.0.0.1.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "config/install_paths.h"
#include "platform/loopback_port.h"
#include "platform/loopback_probe.h"
#include "thumbs/thumbnail_pool.h"
#include "tests/e2e/test_installation.h"
#include "webserver/share_sequence.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace test_installation;

namespace {

const fs::path kFixtures = VOMRA_TEST_DATA_DIR;
const std::string kChineseVideo = "\xE4\xB8\xAD\xE6\x96\x87\xE8\xA7\x86\xE9\xA2\x91";  // 中文视频

struct HttpReply {
    int status = 0;
    std::string body;
};

// One GET through curl; `credentials` is "user:password" or empty.
HttpReply httpGet(const fs::path& scratch, const std::string& url, const std::string& credentials = "") {
    const auto body = scratch / "body";
    const auto status = scratch / "status";
    std::string command = "curl -s -g --max-time 10 -o '" + body.string() + "' -w '%{http_code}' ";
    if (!credentials.empty()) command += "-u '" + credentials + "' ";
    command += "'" + url + "' > '" + status.string() + "'";
    std::system(command.c_str());
    return {std::atoi(readFile(status).c_str()), readFile(body)};
}

struct PngHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int colourType = -1;
};

std::uint32_t bigEndian32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// The signature and the IHDR chunk of a PNG file.
std::optional<PngHeader> readPngHeader(const std::string& bytes) {
    if (bytes.size() < 33 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || bytes.compare(12, 4, "IHDR") != 0)
        return std::nullopt;
    return PngHeader{bigEndian32(bytes, 16), bigEndian32(bytes, 20), static_cast<unsigned char>(bytes[25])};
}

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

// One installation of the program: its directory with a server directory
// laid out like the built one, and a shared folder with videos in it.
class ShareEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(kBuiltServerDir / "conf" / "nginx.confbak")) << "build the server directory first";
        root = fs::temp_directory_path() /
               ("vomra-e2e-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root);
        fs::create_directories(root);
        programDir = layOutProgram("program");
        shareFolder = root / "share";
        fs::create_directories(shareFolder / "sub");
        fs::copy_file(kFixtures / "clip.mp4", shareFolder / "clip.mp4");
        fs::copy_file(kFixtures / "clip.mkv", shareFolder / "sub" / "clip.mkv");
        fs::copy_file(kFixtures / (kChineseVideo + ".mp4"), shareFolder / "sub" / (kChineseVideo + ".mp4"));

        deriveSettingsPath(service, programDir.wstring());
        deriveInstallationPaths(service, programDir.wstring());
        environment.programDir = programDir.wstring();
        entries.sharedFolder = shareFolder.wstring();
        entries.screenshotSeconds = L"5";
        entries.shareName = L"movies";
        entries.userName = L"guest";
    }

    void TearDown() override {
        stopShare(service, environment);
        for (const auto& installation : installations) killServer(installation);
        fs::remove_all(root);
    }

    fs::path layOutProgram(const std::string& name) {
        const auto dir = root / name;
        installations.push_back(dir);
        layOut(dir);
        return dir;
    }

    ShareOutcome start(std::uint16_t port, const std::wstring& password) {
        entries.port = std::to_wstring(port);
        entries.password = password;
        return startShare(service, entries, environment);
    }

    std::string url(std::uint16_t port, const std::string& path = "") const {
        return "http://127.0.0.1:" + std::to_string(port) + "/movies/" + path;
    }

    HttpReply get(const std::string& address, const std::string& credentials = "") {
        return httpGet(root, address, credentials);
    }

    fs::path root, programDir, shareFolder;
    std::vector<fs::path> installations;
    ShareService service;
    ShareEnvironment environment;
    DialogEntries entries;
};

}  // namespace

TEST_F(ShareEndToEnd, ServesTheFolderBehindThePasswordWithStillsAndStopEndsIt) {
    const auto port = platform::freeLoopbackPort();
    const auto outcome = start(port, L"secret one");
    ASSERT_EQ(outcome.error, "") << readFile(serverDirectoryOf(programDir) / "logs" / "error.log");
    ASSERT_TRUE(outcome.buttons.has_value());
    EXPECT_FALSE(outcome.buttons->startEnabled);

    EXPECT_EQ(get(url(port)).status, 401);
    EXPECT_EQ(get(url(port), "guest:wrong").status, 401);
    const auto listing = get(url(port), "guest:secret one");
    EXPECT_EQ(listing.status, 200);
    EXPECT_NE(listing.body.find("clip.mp4"), std::string::npos) << listing.body;
    EXPECT_NE(listing.body.find("sub/"), std::string::npos) << listing.body;

    const auto video = get(url(port, "clip.mp4"), "guest:secret one");
    EXPECT_EQ(video.status, 200);
    EXPECT_EQ(video.body, readFile(shareFolder / "clip.mp4"));

    const std::vector<fs::path> stills = {shareFolder / "VTemp" / "clip.png",
                                          shareFolder / "VTemp" / "sub" / "clip.png",
                                          shareFolder / "VTemp" / "sub" / (kChineseVideo + ".png")};
    for (const auto& still : stills) {
        ASSERT_TRUE(waitFor([&] { return readPngHeader(readFile(still)).has_value(); }, 30s)) << still;
        const auto header = readPngHeader(readFile(still));
        EXPECT_EQ(header->width, 640u) << still;
        EXPECT_EQ(header->height, 360u) << still;
        EXPECT_EQ(header->colourType, 2) << still;  // RGB
    }
    const auto servedStill = get(url(port, "VTemp/clip.png"), "guest:secret one");
    EXPECT_EQ(servedStill.status, 200);
    EXPECT_EQ(servedStill.body, readFile(stills.front()));

    const auto processes = serverProcesses(programDir);
    ASSERT_FALSE(processes.empty());
    const auto stopped = stopShare(service, environment);
    EXPECT_TRUE(stopped.buttons->startEnabled);
    EXPECT_FALSE(stopped.buttons->stopEnabled);
    EXPECT_EQ(service.thumbnailPool, nullptr);
    EXPECT_FALSE(platform::loopbackPortAnswers(port));
    for (const int pid : processes) EXPECT_TRUE(waitFor([&] { return !processAlive(pid); }, 5s)) << pid;
}

TEST_F(ShareEndToEnd, SecondStartWithAnotherPortAndPasswordLocksOutTheOldOnes) {
    const auto firstPort = platform::freeLoopbackPort();
    ASSERT_EQ(start(firstPort, L"first").error, "");
    stopShare(service, environment);

    auto secondPort = platform::freeLoopbackPort();
    while (secondPort == firstPort) secondPort = platform::freeLoopbackPort();
    entries.shareName = L"\u7535\u5F71";  // 电影
    ASSERT_EQ(start(secondPort, L"second").error, "");

    const auto address = "http://127.0.0.1:" + std::to_string(secondPort) + "/%E7%94%B5%E5%BD%B1/";
    EXPECT_FALSE(platform::loopbackPortAnswers(firstPort));
    EXPECT_EQ(get(address, "guest:second").status, 200);
    EXPECT_EQ(get(address, "guest:first").status, 401);
}

// The program ended without Stop: the next Start must not leave the old
// server serving with the old password.
TEST_F(ShareEndToEnd, StartEndsALeftoverServerOfOurs) {
    const auto firstPort = platform::freeLoopbackPort();
    ASSERT_EQ(start(firstPort, L"old").error, "");
    const auto leftover = serverProcesses(programDir);
    stopThumbnails(service);

    auto secondPort = platform::freeLoopbackPort();
    while (secondPort == firstPort) secondPort = platform::freeLoopbackPort();
    ASSERT_EQ(start(secondPort, L"new").error, "");

    for (const int pid : leftover) EXPECT_TRUE(waitFor([&] { return !processAlive(pid); }, 5s)) << pid;
    EXPECT_FALSE(platform::loopbackPortAnswers(firstPort));
    EXPECT_EQ(get(url(secondPort), "guest:new").status, 200);
}

// Another installation's server holds the port: Start says so, and leaves
// that server alone.
TEST_F(ShareEndToEnd, PortHeldByAnotherServerIsReportedAndThatServerKeepsRunning) {
    const auto port = platform::freeLoopbackPort();
    ShareService otherService;
    ShareEnvironment otherEnvironment;
    const auto otherProgram = layOutProgram("other-program");
    deriveSettingsPath(otherService, otherProgram.wstring());
    deriveInstallationPaths(otherService, otherProgram.wstring());
    otherEnvironment.programDir = otherProgram.wstring();
    DialogEntries otherEntries = entries;
    otherEntries.port = std::to_wstring(port);
    otherEntries.password = L"theirs";
    const auto otherOutcome = startShare(otherService, otherEntries, otherEnvironment);
    stopThumbnails(otherService);
    ASSERT_EQ(otherOutcome.error, "");

    environment.serverWait = 1s;  // how long Start waits for the port to come free
    const auto outcome = start(port, L"mine");
    EXPECT_NE(outcome.error.find(std::to_string(port)), std::string::npos) << outcome.error;
    EXPECT_FALSE(outcome.buttons.has_value());
    EXPECT_EQ(service.thumbnailPool, nullptr);
    EXPECT_EQ(get(url(port), "guest:theirs").status, 200);
    EXPECT_EQ(get(url(port), "guest:mine").status, 401);
    stopShare(otherService, otherEnvironment);
}
