#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <utility>
#include <vector>

#include "config/settings_file.h"
#include "platform/paths.h"
#include "share/share.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Outcome = ServerCheck::Outcome;

namespace {

// Stands in for the firewall, the password file's writer and nginx: each step
// has the effect the real one would have, as far as the share looks at it.
struct FakeWorld {
    bool passwordFileWritten = true;
    bool serverStarts = true;
    bool otherProgramOnPort = false;
    bool serverWritesPidFile = true;
    std::string serverLogsOnStart;
    bool serverRunning = false;
};

const std::string kPasswordFileWritten = "(password file written)";
const std::string kServerStarted = "(server started)";
const std::string kServerStopped = "(server stopped)";

// A started server as the share sees it; stopping it is recorded once.
class FakeServer : public platform::ServerProcess {
public:
    FakeServer(std::function<void()> onStop, std::function<bool()> alive)
        : onStop_(std::move(onStop)), alive_(std::move(alive)) {}
    void stop() override {
        if (onStop_) std::exchange(onStop_, nullptr)();
    }
    bool running() override { return onStop_ && alive_(); }

private:
    std::function<void()> onStop_;
    std::function<bool()> alive_;
};

class ShareSequence : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(root);
        sharedFolder = root / "share";
        fs::create_directories(paths.configFile.parent_path());
        fs::create_directories(paths.errorLog.parent_path());
        fs::create_directories(sharedFolder);
        std::ofstream(paths.configTemplate) << "listen name3; root name1; alias name4;\n";
        std::ofstream(paths.serverProgram) << "stands in for nginx\n";  // started by startFakeServer

        environment.allowPort = [this](std::int32_t port) { record(portAllowed(port)); };
        environment.writePasswordFile = [this](const PasswordFileEntry& entry) { return writePasswordFile(entry); };
        environment.startServer = [this](const platform::ServerLaunch& launch, std::string&) {
            return startFakeServer(launch);
        };
        environment.portAnswers = [this](std::int32_t) { return world.serverRunning || world.otherProgramOnPort; };
        environment.serverWait = std::chrono::milliseconds(300);

        settings.sharedFolder = sharedFolder.string();
        settings.port = 8080;
        settings.screenshotSeconds = 5;
        settings.shareName = "\u7535\u5F71";  // 电影
        settings.password = "secret";
        settings.userName = "guest";
    }

    void TearDown() override {
        share.reset();
        fs::remove_all(root);
    }

    // The share under test, made at its first use with the environment as
    // the test left it.
    Share& theShare() {
        if (!share) share = std::make_unique<Share>(paths, environment);
        return *share;
    }
    StartReport start() { return theShare().start(settings); }
    bool stillsRunning() { return theShare().stillsProgress().has_value(); }

    static std::string portAllowed(std::int32_t port) { return "(port " + std::to_string(port) + " allowed)"; }
    static std::vector<std::string> fullStart(std::int32_t port = 8080) {
        return {portAllowed(port), kPasswordFileWritten, kServerStarted};
    }

    void record(const std::string& line) {
        lines.push_back(line);
        if (!passwordFileAtFirstLine) passwordFileAtFirstLine = fs::exists(paths.passwordFile);
    }

    bool writePasswordFile(const PasswordFileEntry& entry) {
        record(kPasswordFileWritten);
        passwordFileEntries.push_back(entry);
        if (!world.passwordFileWritten) return false;
        std::ofstream(paths.passwordFile) << "guest:x\n";
        return true;
    }

    std::unique_ptr<platform::ServerProcess> startFakeServer(const platform::ServerLaunch& launch) {
        EXPECT_EQ(launch.workingDirectory, paths.serverDir);
        record(kServerStarted);
        world.serverRunning = world.serverStarts;
        std::ofstream(paths.errorLog, std::ios::app) << world.serverLogsOnStart;
        if (world.serverWritesPidFile) std::ofstream(paths.pidFile) << "4242\n";
        return std::make_unique<FakeServer>(
            [this] {
                record(kServerStopped);
                world.serverRunning = false;
            },
            [this] { return world.serverRunning; });
    }

    ShareSettings savedSettings() const {
        ShareSettings saved;
        loadSettings(saved, paths.settingsFile);
        return saved;
    }

    void expectNothingRenderedOrRun() {
        EXPECT_TRUE(lines.empty());
        EXPECT_FALSE(fs::exists(paths.configFile));
        EXPECT_FALSE(theShare().running());
        EXPECT_FALSE(stillsRunning());
    }

    void expectFailedAfterCommands(const StartReport& report) {
        EXPECT_FALSE(report.error.empty());
        EXPECT_FALSE(theShare().running());
        EXPECT_FALSE(stillsRunning());
    }

    fs::path root = fs::temp_directory_path() /
                    ("vomra-share-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    InstallPaths paths{root / "program"};
    fs::path sharedFolder;
    ShareSettings settings;
    ShareEnvironment environment;
    std::unique_ptr<Share> share;
    FakeWorld world;
    std::vector<std::string> lines;
    std::vector<PasswordFileEntry> passwordFileEntries;
    std::optional<bool> passwordFileAtFirstLine;
};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST_F(ShareSequence, StartRunsItsStepsInOrderAndLeavesARunningShare) {
    const auto outcome = start();

    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(outcome.warning, "");
    EXPECT_EQ(lines, fullStart());
    EXPECT_TRUE(theShare().running());
    EXPECT_TRUE(stillsRunning());
    EXPECT_TRUE(fs::exists(paths.configFile));
}

TEST_F(ShareSequence, StartSavesTheSettings) {
    settings.screenshotSeconds = 2147483647;
    settings.password = "two words";
    start();

    const ShareSettings saved = savedSettings();
    EXPECT_EQ(saved.sharedFolder, settings.sharedFolder);
    EXPECT_EQ(saved.port, 8080);
    EXPECT_EQ(saved.screenshotSeconds, 2147483647);
    EXPECT_EQ(saved.shareName, "\xE7\x94\xB5\xE5\xBD\xB1");
    EXPECT_EQ(saved.password, "two words");
    EXPECT_EQ(saved.userName, "guest");
}

// The user and password as typed, and this system's way of writing the file.
TEST_F(ShareSequence, StartWritesThePasswordFileForTheUserAsTyped) {
    settings.userName = "o\"brien 100% $x";
    settings.password = "p\"a%s $w'rd";
    start();

    ASSERT_EQ(passwordFileEntries.size(), 1u);
    EXPECT_EQ(passwordFileEntries[0].htpasswd, paths.htpasswdProgram);
    EXPECT_EQ(passwordFileEntries[0].file, paths.passwordFile);
    EXPECT_EQ(passwordFileEntries[0].userName, "o\"brien 100% $x");
    EXPECT_EQ(passwordFileEntries[0].password, "p\"a%s $w'rd");
}

TEST_F(ShareSequence, StartRemovesTheStalePasswordFileFirst) {
    std::ofstream(paths.passwordFile) << "old:x\n";

    const auto outcome = start();

    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(lines, fullStart());
    EXPECT_EQ(passwordFileAtFirstLine, false);
}

TEST_F(ShareSequence, TwoStartsRunEveryStepTwiceAndEndTheFirstServer) {
    start();
    auto expected = fullStart();
    expected.push_back(kServerStopped);
    settings.port = 9090;
    const auto outcome = start();

    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(savedSettings().port, 9090);
    EXPECT_TRUE(stillsRunning());
    const auto second = fullStart(9090);
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(lines, expected);
}

TEST_F(ShareSequence, FailedSaveIsAWarningAndStartGoesOn) {
    fs::create_directories(paths.settingsFile / "in-the-way");

    const auto outcome = start();

    EXPECT_NE(outcome.warning, "");
    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(lines, fullStart());
    EXPECT_TRUE(theShare().running());
}

TEST_F(ShareSequence, RefusesAFolderThatIsMissingOrAFileAfterSavingAndRunsNothing) {
    const auto file = root / "file.mp4";
    std::ofstream(file) << "x";
    for (const auto& folder : {root / "no-such-folder", file}) {
        settings.sharedFolder = folder.string();
        const auto outcome = start();
        EXPECT_TRUE(contains(outcome.error, "设置共享文件夹")) << outcome.error;
        expectNothingRenderedOrRun();
        EXPECT_EQ(savedSettings().sharedFolder, folder.string());
    }
}

// nginx hides only paths through "vomrixserver/server", so the vomrixserver
// folder, the server directory and what lies inside them are refused however
// the path is spelt, and a link to one of them too.
// On Windows nginx.exe is the user's to place; without it nothing starts, and
// the report says why, so that the window can offer to place it.
TEST_F(ShareSequence, RefusesAMissingServerProgramAndRunsNothing) {
    fs::remove(paths.serverProgram);
    const auto outcome = start();

    EXPECT_TRUE(outcome.serverProgramMissing);
    EXPECT_TRUE(contains(outcome.error, platform::utf8FromPath(paths.serverProgram))) << outcome.error;
    expectNothingRenderedOrRun();

    std::ofstream(paths.serverProgram) << "placed by the user";
    EXPECT_EQ(start().error, "");
}

TEST_F(ShareSequence, RefusesTheProgramsServerFoldersHoweverTheyAreReachedAndRunsNothing) {
    std::vector<fs::path> folders{paths.serverDir,
                                  paths.serverDir.parent_path(),
                                  paths.serverDir / "conf",
                                  fs::path(paths.serverDir.string() + "/"),
                                  paths.serverDir / "." / "logs" / "..",
                                  sharedFolder / ".." / "program" / "vomrixserver"};
    // Wine, and Windows without developer mode, make no links.
    const auto link = root / "link to server";
    std::error_code linkError;
    fs::create_directory_symlink(paths.serverDir, link, linkError);
    if (!linkError) folders.insert(folders.end(), {link, link / "logs"});
    for (const auto& folder : folders) {
        SCOPED_TRACE(folder.string());
        settings.sharedFolder = folder.string();
        const auto outcome = start();
        EXPECT_TRUE(contains(outcome.error, "“设置共享文件夹”不能是程序自己的 vomrixserver 文件夹")) << outcome.error;
        expectNothingRenderedOrRun();
    }
}

// The template hides the server directory and the settings file inside such a
// folder (a shared home folder).
TEST_F(ShareSequence, SharesAFolderThatHoldsTheProgramsFolder) {
    settings.sharedFolder = root.string();
    const auto outcome = start();

    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(lines, fullStart());
}

TEST_F(ShareSequence, RefusesAValueThatHtpasswdCannotTake) {
    settings.password = "pw\nline two";
    const auto outcome = start();

    EXPECT_TRUE(contains(outcome.error, "密码")) << outcome.error;
    expectNothingRenderedOrRun();
    EXPECT_EQ(savedSettings().password, settings.password);
}

TEST_F(ShareSequence, EndsWhenTheConfigurationCannotBeRendered) {
    fs::remove(paths.configTemplate);
    const auto outcome = start();

    EXPECT_NE(outcome.error, "");
    EXPECT_TRUE(lines.empty());
    EXPECT_FALSE(theShare().running());
}

TEST_F(ShareSequence, EndsWhenTheStalePasswordFileCannotBeRemoved) {
    fs::create_directories(paths.passwordFile / "not-empty");
    const auto outcome = start();

    EXPECT_TRUE(contains(outcome.error, paths.passwordFile.string())) << outcome.error;
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(fs::exists(paths.configFile));
    EXPECT_FALSE(theShare().running());
}

TEST_F(ShareSequence, EndsWhenAnotherProgramHoldsThePort) {
    world.otherProgramOnPort = true;
    const auto outcome = start();

    EXPECT_TRUE(contains(outcome.error, "8080")) << outcome.error;
    EXPECT_TRUE(lines.empty());
    expectFailedAfterCommands(outcome);
}

TEST_F(ShareSequence, EndsBeforeTheServerWhenThePasswordFileLacksTheUser) {
    world.passwordFileWritten = false;
    const auto outcome = start();

    EXPECT_TRUE(contains(outcome.error, "密码文件")) << outcome.error;
    EXPECT_EQ(lines, (std::vector<std::string>{portAllowed(8080), kPasswordFileWritten}));
    expectFailedAfterCommands(outcome);
}

TEST_F(ShareSequence, ServerThatNeverAnswersIsStoppedAndReportedWithItsTellingLogLine) {
    world.serverStarts = false;
    world.serverLogsOnStart =
        "2024/05/01 10:00:00 [notice] 7#7: using inherited sockets\n"
        "2024/05/01 10:00:00 [emerg] 7#7: bind() to 0.0.0.0:8080 failed (13: Permission denied)\n"
        "2024/05/01 10:00:00 [notice] 7#7: try again to bind() after 500ms\n"
        "2024/05/01 10:00:03 [emerg] 7#7: still could not bind()\n";
    const auto outcome = start();

    EXPECT_TRUE(contains(outcome.error, "bind() to 0.0.0.0:8080 failed (13: Permission denied)")) << outcome.error;
    EXPECT_FALSE(contains(outcome.error, "still could not bind()")) << outcome.error;
    auto expected = fullStart();
    expected.push_back(kServerStopped);
    EXPECT_EQ(lines, expected);
    expectFailedAfterCommands(outcome);
}

// The share runs; what it lacks is said, and the window shows it as running.
TEST_F(ShareSequence, StartWithoutAPidFileSucceedsWithAWarning) {
    world.serverWritesPidFile = false;
    const auto outcome = start();

    EXPECT_EQ(outcome.error, "");
    EXPECT_TRUE(contains(outcome.warning, "nginx.pid")) << outcome.warning;
    EXPECT_EQ(lines, fullStart());
    EXPECT_TRUE(theShare().running());
    EXPECT_TRUE(stillsRunning());
}

TEST_F(ShareSequence, AServerThatCannotBeRunIsReportedWithItsReason) {
    environment.startServer = [](const platform::ServerLaunch&, std::string& error) {
        error = "No such file or directory";
        return std::unique_ptr<platform::ServerProcess>();
    };
    const auto outcome = start();

    EXPECT_TRUE(contains(outcome.error, "No such file or directory")) << outcome.error;
    expectFailedAfterCommands(outcome);
}

TEST_F(ShareSequence, StopWithoutStartRunsNothing) {
    theShare().stop();
    EXPECT_TRUE(lines.empty());
    EXPECT_FALSE(theShare().running());
}

TEST_F(ShareSequence, StopEndsTheServerAndTheStills) {
    start();
    lines.clear();
    theShare().stop();

    EXPECT_FALSE(theShare().running());
    EXPECT_FALSE(stillsRunning());
    EXPECT_EQ(lines, std::vector<std::string>{kServerStopped});
}

// The window owns the share: whatever way it goes, the server goes with it.
TEST_F(ShareSequence, TheShareEndsItsServerWhenDestroyed) {
    start();
    lines.clear();
    share.reset();
    EXPECT_EQ(lines, std::vector<std::string>{kServerStopped});
}

// A server that ended behind the program's back is started again once, as
// Start started it; one that ends again soon after stops the share.
TEST_F(ShareSequence, AServerThatEndsIsStartedAgainOnceAndEndingSoonAgainStopsTheShare) {
    start();
    lines.clear();
    EXPECT_EQ(theShare().checkServer().outcome, Outcome::fine);
    EXPECT_TRUE(lines.empty()) << "a running server is left alone";

    world.serverRunning = false;
    std::ofstream(paths.errorLog, std::ios::app) << "2024/05/01 10:00:00 [alert] 7#7: worker exited on signal 11\n"
                                                 << "2024/05/01 10:00:01 [error] 8#8: open() failed\n";
    const ServerCheck restarted = theShare().checkServer();
    EXPECT_EQ(restarted.outcome, Outcome::restarted);
    EXPECT_EQ(restarted.reason, "nginx 错误日志：2024/05/01 10:00:00 [alert] 7#7: worker exited on signal 11");
    EXPECT_EQ(lines, (std::vector<std::string>{kServerStopped, kServerStarted}));
    EXPECT_TRUE(theShare().running());
    EXPECT_TRUE(stillsRunning());

    lines.clear();
    world.serverRunning = false;
    const ServerCheck stopped = theShare().checkServer();
    EXPECT_EQ(stopped.outcome, Outcome::stopped);
    EXPECT_EQ(stopped.reason, "") << "killed: the log says nothing new";
    EXPECT_EQ(lines, std::vector<std::string>{kServerStopped});
    EXPECT_FALSE(theShare().running());
    EXPECT_FALSE(stillsRunning());
    EXPECT_EQ(theShare().checkServer().outcome, Outcome::fine) << "nothing is left to check";
}

TEST_F(ShareSequence, AServerThatEndsLongAfterItsRestartIsStartedAgainOnceMore) {
    environment.restartQuietTime = 0ms;
    start();
    for (int round = 0; round < 3; ++round) {
        world.serverRunning = false;
        EXPECT_EQ(theShare().checkServer().outcome, Outcome::restarted) << round;
    }
    EXPECT_TRUE(theShare().running());
}

TEST_F(ShareSequence, AServerThatCannotStartAgainStopsTheShareWithItsLogLine) {
    start();
    world.serverRunning = false;
    world.serverStarts = false;
    world.serverLogsOnStart = "2024/05/01 10:00:00 [emerg] 7#7: unknown directive \"not\" in nginx.conf:1\n";
    const ServerCheck check = theShare().checkServer();

    EXPECT_EQ(check.outcome, Outcome::stopped);
    EXPECT_TRUE(contains(check.reason, "unknown directive \"not\"")) << check.reason;
    EXPECT_FALSE(theShare().running());
    EXPECT_FALSE(stillsRunning());
}
