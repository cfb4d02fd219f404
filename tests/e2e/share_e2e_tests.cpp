// The Start, Stop and Exit sequences end to end: the real nginx and htpasswd
// of a throw-away installation, the fixture videos in a shared folder, curl
// as the other machine, all on 127.0.0.1. Every step runs but the firewall's.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

#include "config/install_paths.h"
#include "config/text_conversion.h"
#include "platform/loopback_port.h"
#include "platform/loopback_probe.h"
#include "tests/e2e/server_installation.h"
#include "tests/common/wait_for.h"
#include "tests/thumbs/locked_directory.h"
#include "thumbs/thumbnail_pool.h"
#include "share/share_sequence.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const fs::path kFixtures = VOMRA_TEST_DATA_DIR;
const std::string kChineseVideo = "中文视频";

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

std::uint16_t freePortOtherThan(std::uint16_t taken) {
    std::uint16_t port = platform::freeLoopbackPort();
    while (port == taken) port = platform::freeLoopbackPort();
    return port;
}

// One installation driven the way the window drives it: the dialog's entries
// into startShare, stopShare at the end whatever happened.
class ShareEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(folder_ / "sub");
        fs::copy_file(kFixtures / "clip.mp4", folder_ / "clip.mp4");
        fs::copy_file(kFixtures / "clip.mkv", folder_ / "sub" / "clip.mkv");
        fs::copy_file(kFixtures / pathOf(kChineseVideo + ".mp4"), folder_ / "sub" / pathOf(kChineseVideo + ".mp4"));
        driveFromTheWindow(installation_, environment_);
        entries_.sharedFolder = folder_.path().wstring();
        entries_.screenshotSeconds = L"5";
        entries_.shareName = L"movies";
        entries_.userName = L"guest";
    }

    void TearDown() override { stopShare(installation_.service, environment_); }

    // The settings file and the program directory, as the window has them.
    static void driveFromTheWindow(ServerInstallation& installation, ShareEnvironment& environment) {
        deriveSettingsPath(installation.service, fromUtf8(installation.programDir()));
        environment.programDir = fromUtf8(installation.programDir());
        // Run as root on a machine with a firewall tool, Start would add a
        // lasting rule for each test's random port.
        environment.allowPort = [](std::int32_t) {};
    }

    ShareOutcome start(std::uint16_t port, const std::wstring& password) {
        entries_.port = std::to_wstring(port);
        entries_.password = password;
        return startShare(installation_.service, entries_, environment_);
    }

    static std::vector<std::string> login(const std::string& password) { return {"-u", "guest:" + password}; }

    TestFolder folder_{"share e2e"};
    ServerInstallation installation_{"program e2e", ""};
    ShareEnvironment environment_;
    DialogEntries entries_;
};

}  // namespace

TEST_F(ShareEndToEnd, ServesTheFolderBehindThePasswordWithStillsAndStopEndsIt) {
    const auto port = platform::freeLoopbackPort();
    const auto outcome = start(port, L"secret one");
    ASSERT_EQ(outcome.error, "") << readFile(installation_.serverDir() / "logs" / "error.log");
    ASSERT_TRUE(outcome.buttons.has_value());
    EXPECT_FALSE(outcome.buttons->startEnabled);

    const HttpClient client(port);
    EXPECT_EQ(client.get("/movies/").status, "401");
    EXPECT_EQ(client.get("/movies/", login("wrong")).status, "401");
    const auto listing = client.get("/movies/", login("secret one"));
    EXPECT_EQ(listing.status, "200");
    EXPECT_NE(listing.body.find(">clip.mp4</a>"), std::string::npos) << listing.body;
    EXPECT_NE(listing.body.find(">sub/</a>"), std::string::npos) << listing.body;
    const auto video = client.get("/movies/clip.mp4", login("secret one"));
    EXPECT_EQ(video.status, "200");
    EXPECT_EQ(video.body, readFile(folder_ / "clip.mp4"));

    const std::vector<fs::path> stills = {folder_ / "VTemp/clip.png", folder_ / "VTemp/sub/clip.png",
                                          folder_ / ("VTemp/sub/" + kChineseVideo + ".png")};
    for (const auto& still : stills) {
        ASSERT_TRUE(waitFor([&] { return readPngHeader(readFile(still)).has_value(); }, 30s)) << still;
        const auto header = readPngHeader(readFile(still));
        EXPECT_EQ(header->width, 640u) << still;
        EXPECT_EQ(header->height, 360u) << still;
        EXPECT_EQ(header->colourType, 2) << still;  // RGB
    }
    const auto servedStill = client.get("/movies/VTemp/clip.png", login("secret one"));
    EXPECT_EQ(servedStill.status, "200");
    EXPECT_EQ(servedStill.body, readFile(stills.front()));

    ASSERT_FALSE(installation_.processes().empty());
    const auto stopped = stopShare(installation_.service, environment_);
    EXPECT_TRUE(stopped.buttons->startEnabled);
    EXPECT_FALSE(stopped.buttons->stopEnabled);
    EXPECT_EQ(installation_.service.thumbnailPool, nullptr);
    EXPECT_FALSE(platform::loopbackPortAnswers(port));
    EXPECT_TRUE(installation_.waitUntilEnded());
}

TEST_F(ShareEndToEnd, SecondStartWithAnotherPortAndPasswordLocksOutTheOldOnes) {
    const auto firstPort = platform::freeLoopbackPort();
    ASSERT_EQ(start(firstPort, L"first").error, "");
    stopShare(installation_.service, environment_);

    const auto secondPort = freePortOtherThan(firstPort);
    entries_.shareName = L"电影";
    ASSERT_EQ(start(secondPort, L"second").error, "");

    const HttpClient client(secondPort);
    EXPECT_FALSE(platform::loopbackPortAnswers(firstPort));
    EXPECT_EQ(client.get("/%E7%94%B5%E5%BD%B1/", login("second")).status, "200");
    EXPECT_EQ(client.get("/%E7%94%B5%E5%BD%B1/", login("first")).status, "401");
}

// htpasswd refuses a record this long only after it has created the file.
TEST_F(ShareEndToEnd, PasswordFileLeftEmptyByHtpasswdEndsStart) {
    entries_.userName = std::wstring(250, L'u');
    const auto port = platform::freeLoopbackPort();
    const auto outcome = start(port, L"secret");

    EXPECT_NE(outcome.error.find("密码文件"), std::string::npos) << outcome.error;
    EXPECT_FALSE(outcome.buttons.has_value());
    EXPECT_EQ(fs::file_size(pathOf(installation_.service.passwordFilePath)), 0u);
    EXPECT_FALSE(platform::loopbackPortAnswers(port));
    EXPECT_TRUE(installation_.processes().empty());
}

// A port taken on another loopback address passes the check on 127.0.0.1;
// nginx's bind() to every address then fails, and the message says so.
TEST_F(ShareEndToEnd, PortTakenOnAnotherAddressIsReportedWithTheBindError) {
    const auto port = platform::freeLoopbackPort();
    ServerInstallation holder{"holder e2e", folder_.utf8()};
    holder.service.settings.port = port;
    holder.listenOnlyOn("127.0.0.2");
    holder.launch();
    ASSERT_FALSE(holder.processes().empty()) << readFile(holder.serverDir() / "logs" / "error.log");

    const auto outcome = start(port, L"secret");
    const std::string bindError = "bind() to 0.0.0.0:" + std::to_string(port) + " failed (98: Address already in use)";
    EXPECT_NE(outcome.error.find(bindError), std::string::npos) << outcome.error;
    EXPECT_FALSE(outcome.buttons.has_value());
    EXPECT_TRUE(installation_.processes().empty());
}

// The program ended without Stop: the next Start must not leave the old
// server serving with the old password.
TEST_F(ShareEndToEnd, StartEndsALeftoverServerOfOurs) {
    const auto firstPort = platform::freeLoopbackPort();
    ASSERT_EQ(start(firstPort, L"old").error, "");
    const auto leftover = installation_.processes();
    stopThumbnails(installation_.service);

    const auto secondPort = freePortOtherThan(firstPort);
    ASSERT_EQ(start(secondPort, L"new").error, "");

    for (const auto& pid : leftover) EXPECT_TRUE(waitFor([&] { return !fs::exists("/proc/" + pid); }, 5s)) << pid;
    EXPECT_FALSE(platform::loopbackPortAnswers(firstPort));
    EXPECT_EQ(HttpClient(secondPort).get("/movies/", login("new")).status, "200");
}

// A folder the program may not read (lost+found on a data disk, another
// user's folder) is named in a warning, in whatever script its name is; the
// share runs as any other, and every other still is made.
TEST_F(ShareEndToEnd, AnUnreadableSubfolderIsAWarningOnARunningShare) {
    const fs::path closed = folder_ / fs::path(u8"私密");
    fs::create_directories(closed);
    LockedDirectory lock(closed);
    if (!lock.holdsBack()) return runThisTestAsNobody();
    const auto port = platform::freeLoopbackPort();
    const auto outcome = start(port, L"secret");

    EXPECT_EQ(outcome.error, "");
    EXPECT_NE(outcome.warning.find(utf8Of(closed)), std::string::npos) << outcome.warning;
    ASSERT_TRUE(outcome.buttons.has_value());
    EXPECT_FALSE(outcome.buttons->startEnabled);
    EXPECT_TRUE(outcome.buttons->stopEnabled);
    EXPECT_TRUE(outcome.fillAddressList);
    EXPECT_EQ(HttpClient(port).get("/movies/", login("secret")).status, "200");
    for (const auto& still : {folder_ / "VTemp/clip.png", folder_ / "VTemp/sub/clip.png"})
        EXPECT_TRUE(waitFor([&] { return readPngHeader(readFile(still)).has_value(); }, 30s)) << still;
}

// What a shell or cmd.exe would read specially reaches htpasswd as typed,
// and the password never shows among the arguments of a program Start runs:
// htpasswd is wrapped in a script that records its arguments, and the
// server's processes are looked at while they run.
TEST_F(ShareEndToEnd, AUserAndPasswordWithQuotesPercentDollarsAndBlanksLogIn) {
    const fs::path htpasswd = pathOf(installation_.service.htpasswdExePath);
    const fs::path realHtpasswd = fs::read_symlink(htpasswd);
    fs::remove(htpasswd);
    writeFile(htpasswd, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done >> \"$0.args\"\nexec '" +
                            utf8Of(realHtpasswd) + "' \"$@\"\n");
    fs::permissions(htpasswd, fs::perms::owner_all);
    const std::string user = "o\"brien 100% $HOME 'q'";
    const std::string password = "p\"a%ss $w'rd 50%off";
    entries_.userName = fromUtf8(user);

    const auto port = platform::freeLoopbackPort();
    ASSERT_EQ(start(port, fromUtf8(password)).error, "");
    const HttpClient client(port);
    EXPECT_EQ(client.get("/movies/", {"-u", user + ":" + password}).status, "200");
    EXPECT_EQ(client.get("/movies/", {"-u", user + ":" + password + "x"}).status, "401");
    EXPECT_EQ(client.get("/movies/", {"-u", "guest:" + password}).status, "401");

    const std::string htpasswdArguments = readFile(fs::path(htpasswd) += ".args");
    EXPECT_NE(htpasswdArguments.find(user), std::string::npos) << htpasswdArguments;
    EXPECT_EQ(htpasswdArguments.find(password), std::string::npos) << htpasswdArguments;
    ASSERT_FALSE(installation_.processes().empty());
    for (const std::string& pid : installation_.processes())
        EXPECT_EQ(readFile("/proc/" + pid + "/cmdline").find(password), std::string::npos) << pid;
    EXPECT_EQ(fs::status(pathOf(installation_.service.passwordFilePath)).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
}

// Refused before anything is written for the server or started.
TEST_F(ShareEndToEnd, AnEmptyPasswordOrAnOverlongShareNameIsRefused) {
    const auto port = platform::freeLoopbackPort();
    const auto noPassword = start(port, L"");
    EXPECT_NE(noPassword.error.find("密码"), std::string::npos) << noPassword.error;
    entries_.shareName = std::wstring(86, L'影');
    const auto longName = start(port, L"secret");
    EXPECT_NE(longName.error.find("共享名字"), std::string::npos) << longName.error;
    for (const auto& outcome : {noPassword, longName}) EXPECT_FALSE(outcome.buttons.has_value());
    EXPECT_FALSE(fs::exists(pathOf(installation_.service.configPath)));
    EXPECT_FALSE(platform::loopbackPortAnswers(port));
    EXPECT_TRUE(installation_.processes().empty());
}
