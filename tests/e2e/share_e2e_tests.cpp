// The Start, Stop and Exit sequences end to end: the real nginx and htpasswd
// of a throw-away installation, the fixture videos in a shared folder, curl
// as the other machine, all on 127.0.0.1. Every step runs but the firewall's.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <grp.h>
#include <nlohmann/json.hpp>
#include <optional>
#include <pwd.h>
#include <regex>
#include <thread>
#include <unistd.h>

#include "config/install_paths.h"
#include "config/text_conversion.h"
#include "platform/loopback_port.h"
#include "platform/loopback_probe.h"
#include "tests/e2e/server_installation.h"
#include "tests/common/wait_for.h"
#include "tests/platform/posix/stalled_listener.h"
#include "tests/thumbs/locked_directory.h"
#include "thumbs/thumbnail_pool.h"
#include "share/share.h"

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

// One installation driven the way the window drives it: the settings into
// the share's Start, and the share ended with the test whatever happened.
class ShareEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(folder_ / "sub");
        fs::copy_file(kFixtures / "clip.mp4", folder_ / "clip.mp4");
        fs::copy_file(kFixtures / "clip.mkv", folder_ / "sub" / "clip.mkv");
        fs::copy_file(kFixtures / pathOf(kChineseVideo + ".mp4"), folder_ / "sub" / pathOf(kChineseVideo + ".mp4"));
        settings_.sharedFolder = folder_.utf8();
        settings_.screenshotSeconds = 5;
        settings_.shareName = "movies";
        settings_.userName = "guest";
    }

    void TearDown() override { share_.stop(); }

    static ShareEnvironment withoutFirewall() {
        ShareEnvironment environment;
        // Run as root on a machine with a firewall tool, Start would add a
        // lasting rule for each test's random port.
        environment.allowPort = [](std::int32_t) {};
        return environment;
    }

    StartReport start(std::uint16_t port, const std::string& password) {
        settings_.port = port;
        settings_.password = password;
        return share_.start(settings_);
    }

    static std::vector<std::string> login(const std::string& password) { return {"-u", "guest:" + password}; }

    // kill -9 of the server's master, behind the share's back; its workers live on.
    void killServer() const {
        const long master = std::stol(readFile(installation_.paths.pidFile));
        ASSERT_EQ(kill(static_cast<pid_t>(master), SIGKILL), 0);
    }

    // What the share's check finds once it finds something, as the window's
    // timer would call it.
    ServerCheck checkUntilSomethingHappened() {
        ServerCheck check;
        waitFor([&] { return (check = share_.checkServer()).outcome != ServerCheck::Outcome::fine; }, 5s);
        return check;
    }

    TestFolder folder_{"share e2e"};
    ServerInstallation installation_{"program e2e", ""};
    ShareSettings settings_;
    Share share_{installation_.paths, withoutFirewall()};
};

}  // namespace

TEST_F(ShareEndToEnd, ServesTheFolderBehindThePasswordWithStillsAndStopEndsIt) {
    const auto port = platform::freeLoopbackPort();
    const auto outcome = start(port, "secret one");
    ASSERT_EQ(outcome.error, "") << readFile(installation_.serverDir() / "logs" / "error.log");
    EXPECT_TRUE(share_.running());

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
    share_.stop();
    EXPECT_FALSE(share_.running());
    EXPECT_FALSE(share_.stillsProgress().has_value());
    EXPECT_FALSE(platform::loopbackPortAnswers(port));
    EXPECT_TRUE(installation_.waitUntilEnded());
}

// The helper's answer on how a video plays, in short: the mode, and whether
// its sound is converted.
std::string howItPlays(const std::string& body) {
    const auto answer = nlohmann::json::parse(body, nullptr, false);
    if (!answer.is_object()) return body;
    return answer.value("mode", "") + (answer.value("convertSound", false) ? ", sound converted" : "");
}

// Behind nginx's login, the playback helper says how each video plays. It
// answers nothing that lacks the secret nginx adds, and no path that nginx
// would not serve.
TEST_F(ShareEndToEnd, ThePlaybackHelperAnswersOnlyThroughNginxAndOnlyForServedVideos) {
    fs::copy_file(folder_ / "clip.mp4", folder_ / ".hidden.mp4");
    fs::create_symlink(installation_.paths.settingsFile, folder_ / "settings.mp4");
    const auto port = platform::freeLoopbackPort();
    ASSERT_EQ(start(port, "secret").error, "");
    const HttpClient client(port);
    const std::string play = "/%25vomra/play/movies/";

    EXPECT_EQ(client.get(play + "clip.mp4").status, "401");
    const auto answer = client.get(play + "clip.mp4", login("secret"));
    EXPECT_EQ(answer.status, "200");
    EXPECT_EQ(howItPlays(answer.body), "asItIs");
    EXPECT_EQ(howItPlays(client.get(play + "sub/clip.mkv", login("secret")).body), "remux");
    // A repackaged video comes as HLS: the playlist, then its segments.
    const auto playlist = client.get(play + "sub/clip.mkv?part=playlist", login("secret"));
    EXPECT_EQ(playlist.header("Content-Type"), "application/vnd.apple.mpegurl");
    EXPECT_NE(playlist.body.find("\nclip.mkv?hevc=0&mkv=0&ac3=0&part=0\n"), std::string::npos) << playlist.body;
    const auto segment = client.get(play + "sub/clip.mkv?hevc=0&mkv=0&ac3=0&part=0", login("secret"));
    EXPECT_EQ(segment.header("Content-Type"), "video/mp2t");
    ASSERT_FALSE(segment.body.empty());
    EXPECT_EQ(segment.body[0], 0x47) << "an MPEG-TS packet begins with its sync byte";
    EXPECT_EQ(client.get(play + "sub/clip.mkv?part=1", login("secret")).status, "404");
    EXPECT_EQ(client.get(play + "clip.mp4?part=playlist", login("secret")).status, "404") << "played as it is";
    // A picture no browser decodes is converted, and its segments are kept
    // in the server's own folder while the share runs.
    fs::copy_file(kFixtures / "clip.avi", folder_ / "old.avi");
    EXPECT_EQ(howItPlays(client.get(play + "old.avi", login("secret")).body), "transcode, sound converted");
    const auto converted = client.get(play + "old.avi?part=0", login("secret"));
    EXPECT_EQ(converted.header("Content-Type"), "video/mp2t");
    ASSERT_FALSE(converted.body.empty());
    EXPECT_EQ(converted.body[0], 0x47);
    const fs::path segments = installation_.paths.serverDir / "temp" / "playback";
    EXPECT_FALSE(fs::is_empty(segments));
    for (const std::string refused :
         {"sub/%2E%2E/clip.mp4", "sub/../clip.mp4", ".hidden.mp4", "settings.mp4", "missing.mp4", "sub/"})
        EXPECT_EQ(client.get(play + refused, login("secret")).status, "404") << refused;

    // Past nginx, straight to the helper, whose port and secret nginx.conf holds.
    const std::string config = readFile(installation_.paths.configFile);
    std::smatch helperPort, secret;
    ASSERT_TRUE(std::regex_search(config, helperPort, std::regex(R"(proxy_pass http://127\.0\.0\.1:(\d+);)")));
    ASSERT_TRUE(std::regex_search(config, secret, std::regex(R"re(X-Vomra-Secret "([0-9a-f]{32})")re")));
    const HttpClient helper(static_cast<std::uint16_t>(std::stoi(helperPort[1])));
    EXPECT_EQ(helper.get(play + "clip.mp4").status, "404");
    EXPECT_EQ(helper.get(play + "clip.mp4", {"-H", "X-Vomra-Secret: 0123456789abcdef0123456789abcdef"}).status, "404");
    EXPECT_EQ(helper.get(play + "clip.mp4", {"-H", "X-Vomra-Secret: " + secret[1].str()}).status, "200");
    share_.stop();
    EXPECT_EQ(helper.get(play + "clip.mp4", {"-H", "X-Vomra-Secret: " + secret[1].str()}).status, "000");
    EXPECT_FALSE(fs::exists(segments));
}

TEST_F(ShareEndToEnd, SecondStartWithAnotherPortAndPasswordLocksOutTheOldOnes) {
    const auto firstPort = platform::freeLoopbackPort();
    ASSERT_EQ(start(firstPort, "first").error, "");
    share_.stop();

    const auto secondPort = freePortOtherThan(firstPort);
    settings_.shareName = "电影";
    ASSERT_EQ(start(secondPort, "second").error, "");

    const HttpClient client(secondPort);
    EXPECT_FALSE(platform::loopbackPortAnswers(firstPort));
    EXPECT_EQ(client.get("/%E7%94%B5%E5%BD%B1/", login("second")).status, "200");
    EXPECT_EQ(client.get("/%E7%94%B5%E5%BD%B1/", login("first")).status, "401");
}

// htpasswd refuses a record this long only after it has created the file.
TEST_F(ShareEndToEnd, PasswordFileLeftEmptyByHtpasswdEndsStart) {
    settings_.userName = std::string(250, 'u');
    const auto port = platform::freeLoopbackPort();
    const auto outcome = start(port, "secret");

    EXPECT_NE(outcome.error.find("密码文件"), std::string::npos) << outcome.error;
    EXPECT_FALSE(share_.running());
    EXPECT_EQ(fs::file_size(installation_.paths.passwordFile), 0u);
    EXPECT_FALSE(platform::loopbackPortAnswers(port));
    EXPECT_TRUE(installation_.processes().empty());
}

// A port taken on another loopback address passes the check on 127.0.0.1;
// nginx's bind() to every address then fails, and the message says so.
TEST_F(ShareEndToEnd, PortTakenOnAnotherAddressIsReportedWithTheBindError) {
    const auto port = platform::freeLoopbackPort();
    ServerInstallation holder{"holder e2e", folder_.utf8()};
    holder.settings.port = port;
    holder.listenOnlyOn("127.0.0.2");
    holder.launch();
    ASSERT_FALSE(holder.processes().empty()) << readFile(holder.serverDir() / "logs" / "error.log");

    const auto outcome = start(port, "secret");
    const std::string bindError = "bind() to 0.0.0.0:" + std::to_string(port) + " failed (98: Address already in use)";
    EXPECT_NE(outcome.error.find(bindError), std::string::npos) << outcome.error;
    EXPECT_FALSE(share_.running());
    EXPECT_TRUE(installation_.processes().empty());
}

// A program that holds the port but never accepts keeps every probe from
// connecting; Start ends at once with nginx's bind error instead of waiting.
TEST_F(ShareEndToEnd, PortHeldByAProgramThatNeverAcceptsEndsStartQuickly) {
    const StalledListener holder;
    ASSERT_TRUE(holder.stalls());

    const auto started = std::chrono::steady_clock::now();
    const auto outcome = start(holder.port(), "secret");
    const auto took = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started);
    EXPECT_LT(took.count(), 5) << "seconds Start took";
    EXPECT_NE(outcome.error.find("Address already in use"), std::string::npos) << outcome.error;
    EXPECT_FALSE(share_.running());
    EXPECT_TRUE(installation_.processes().empty());
}

// An earlier version left its server running: the next Start must not leave
// it serving with the old password.
TEST_F(ShareEndToEnd, StartEndsALeftoverServerOfOurs) {
    const auto firstPort = platform::freeLoopbackPort();
    installation_.settings = settings_;
    installation_.settings.port = firstPort;
    installation_.settings.password = "old";
    installation_.startAsDaemon();
    const auto leftover = installation_.processes();
    ASSERT_FALSE(leftover.empty());

    const auto secondPort = freePortOtherThan(firstPort);
    ASSERT_EQ(start(secondPort, "new").error, "");

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
    const auto outcome = start(port, "secret");

    EXPECT_EQ(outcome.error, "");
    EXPECT_NE(outcome.warning.find(utf8Of(closed)), std::string::npos) << outcome.warning;
    EXPECT_TRUE(share_.running());
    EXPECT_EQ(HttpClient(port).get("/movies/", login("secret")).status, "200");
    for (const auto& still : {folder_ / "VTemp/clip.png", folder_ / "VTemp/sub/clip.png"})
        EXPECT_TRUE(waitFor([&] { return readPngHeader(readFile(still)).has_value(); }, 30s)) << still;
}

// What a shell or cmd.exe would read specially reaches htpasswd as typed,
// and the password never shows among the arguments of a program Start runs:
// htpasswd is wrapped in a script that records its arguments, and the
// server's processes are looked at while they run.
TEST_F(ShareEndToEnd, AUserAndPasswordWithQuotesPercentDollarsAndBlanksLogIn) {
    const fs::path htpasswd = installation_.paths.htpasswdProgram;
    const fs::path realHtpasswd = fs::read_symlink(htpasswd);
    fs::remove(htpasswd);
    writeFile(htpasswd, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done >> \"$0.args\"\nexec '" +
                            utf8Of(realHtpasswd) + "' \"$@\"\n");
    fs::permissions(htpasswd, fs::perms::owner_all);
    const std::string user = "o\"brien 100% $HOME 'q'";
    const std::string password = "p\"a%ss $w'rd 50%off";
    settings_.userName = user;

    const auto port = platform::freeLoopbackPort();
    ASSERT_EQ(start(port, password).error, "");
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
    EXPECT_EQ(fs::status(installation_.paths.passwordFile).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
}

// Run as root, nginx's workers run as the folder's owner, which needs a name;
// an owner without an account (a disk from another machine) would leave them
// as an unprivileged user that cannot read the password file, and every
// request would fail. Start refuses such a folder instead.
TEST_F(ShareEndToEnd, AFolderWhoseOwnerHasNoAccountIsRefusedWhenRunAsRoot) {
    constexpr uid_t kUnknown = 54321;
    if (geteuid() != 0) GTEST_SKIP() << "only root gives the workers to the folder's owner";
    if (getpwuid(kUnknown) != nullptr || getgrgid(kUnknown) != nullptr) GTEST_SKIP() << "id 54321 is taken here";
    ASSERT_EQ(chown(folder_.path().c_str(), kUnknown, kUnknown), 0);
    const auto port = platform::freeLoopbackPort();
    const auto outcome = start(port, "secret");

    EXPECT_NE(outcome.error.find("54321"), std::string::npos) << outcome.error;
    EXPECT_NE(outcome.error.find("没有账户"), std::string::npos) << outcome.error;
    EXPECT_FALSE(share_.running());
    EXPECT_FALSE(platform::loopbackPortAnswers(port));
    EXPECT_TRUE(installation_.processes().empty());
}

// Refused before anything is written for the server or started.
TEST_F(ShareEndToEnd, AnEmptyPasswordOrAnOverlongShareNameIsRefused) {
    const auto port = platform::freeLoopbackPort();
    const auto noPassword = start(port, "");
    EXPECT_NE(noPassword.error.find("密码"), std::string::npos) << noPassword.error;
    EXPECT_FALSE(share_.running());
    std::string longShareName;
    for (int i = 0; i < 86; ++i) longShareName += "影";
    settings_.shareName = longShareName;
    const auto longName = start(port, "secret");
    EXPECT_NE(longName.error.find("共享名字"), std::string::npos) << longName.error;
    EXPECT_FALSE(share_.running());
    EXPECT_FALSE(fs::exists(installation_.paths.configFile));
    EXPECT_FALSE(platform::loopbackPortAnswers(port));
    EXPECT_TRUE(installation_.processes().empty());
}

// The master killed (its workers, which hold the port, live on): the check
// ends what is left of it and starts the server again as Start did.
TEST_F(ShareEndToEnd, AKilledServerIsStartedAgainAndTheShareAnswers) {
    const auto port = platform::freeLoopbackPort();
    ASSERT_EQ(start(port, "secret").error, "");
    const auto before = installation_.processes();
    killServer();

    const ServerCheck check = checkUntilSomethingHappened();
    EXPECT_EQ(check.outcome, ServerCheck::Outcome::restarted) << check.reason;
    EXPECT_TRUE(share_.running());
    EXPECT_EQ(HttpClient(port).get("/movies/", login("secret")).status, "200");
    const auto after = installation_.processes();
    for (const auto& pid : before) EXPECT_EQ(std::count(after.begin(), after.end(), pid), 0) << pid;
    EXPECT_EQ(share_.checkServer().outcome, ServerCheck::Outcome::fine);
}

// A server that cannot start again (its configuration spoilt) stops the
// share, stills included, with nginx's word on why.
TEST_F(ShareEndToEnd, AKilledServerThatCannotStartAgainStopsTheShare) {
    const auto port = platform::freeLoopbackPort();
    ASSERT_EQ(start(port, "secret").error, "");
    writeFile(installation_.paths.configFile, "not a configuration");
    killServer();

    const ServerCheck check = checkUntilSomethingHappened();
    EXPECT_EQ(check.outcome, ServerCheck::Outcome::stopped);
    EXPECT_NE(check.reason.find("[emerg]"), std::string::npos) << check.reason;
    EXPECT_FALSE(share_.running());
    EXPECT_FALSE(share_.stillsProgress().has_value());
    EXPECT_FALSE(platform::loopbackPortAnswers(port));
    EXPECT_TRUE(installation_.waitUntilEnded());
}

// Links to the settings file (the password in clear) and to the server's
// configuration, made while the share runs: a symbolic one and hard ones,
// under names no rule of the template knows. The share finds them within
// seconds and nginx, reloaded, refuses them; other files are served.
TEST_F(ShareEndToEnd, LinksToTheProgramsFilesMadeWhileSharingAreRefusedWithinSeconds) {
    const auto port = platform::freeLoopbackPort();
    ASSERT_EQ(start(port, "secret").error, "");
    const auto& paths = installation_.paths;
    ASSERT_NE(readFile(paths.settingsFile).find("secret"), std::string::npos);
    fs::create_symlink(paths.settingsFile, folder_ / "设置");
    for (const auto& [file, link] : {std::pair(paths.settingsFile, folder_ / "sub" / "备份.txt"),
                                     std::pair(paths.configFile, folder_ / "conf.txt")}) {
        std::error_code error;
        fs::create_hard_link(file, link, error);
        if (error) GTEST_SKIP() << "no hard links between these folders: " << error.message();
    }
    writeFile(folder_ / "ordinary.txt", "ordinary");

    const HttpClient client(port);
    const std::vector<std::string> links = {"/movies/%E8%AE%BE%E7%BD%AE", "/movies/sub/%E5%A4%87%E4%BB%BD.txt",
                                            "/movies/conf.txt"};
    std::string statuses;
    const bool refused = waitFor(
        [&] {
            EXPECT_EQ(share_.checkServer().outcome, ServerCheck::Outcome::fine);
            statuses.clear();
            for (const auto& link : links) statuses += client.get(link, login("secret")).status + " ";
            return statuses == "404 404 404 ";
        },
        10s);
    EXPECT_TRUE(refused) << statuses;
    const auto ordinary = client.get("/movies/ordinary.txt", login("secret"));
    EXPECT_EQ(ordinary.status, "200");
    EXPECT_EQ(ordinary.body, "ordinary");
}
