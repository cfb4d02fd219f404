#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <utility>
#include <vector>

#include "config/install_paths.h"
#include "config/settings_file.h"
#include "config/text_conversion.h"
#include "thumbs/thumbnail_pool.h"
#include "nginx/error_log_watch.h"
#include "platform/paths.h"
#include "share/share_sequence.h"

namespace fs = std::filesystem;

namespace {

// Stands in for the firewall, htpasswd and nginx: each step has the effect
// the real one would have, as far as the sequences look at it.
struct FakeWorld {
    bool htpasswdWorks = true;
    bool serverStarts = true;
    bool otherProgramOnPort = false;
    bool serverWritesPidFile = true;
    std::string serverLogsOnStart;
    bool serverRunning = false;
};

const std::string kHtpasswdRun = "(htpasswd run)";
const std::string kServerStarted = "(server started)";
const std::string kServerStopped = "(server stopped)";

struct ProgramCall {
    std::filesystem::path program;
    std::vector<std::string> arguments;
    std::string standardInput;
};

// A started server as the sequences see it; stopping it is recorded once.
class FakeServer : public platform::ServerProcess {
public:
    explicit FakeServer(std::function<void()> onStop) : onStop_(std::move(onStop)) {}
    void stop() override {
        if (onStop_) std::exchange(onStop_, nullptr)();
    }

private:
    std::function<void()> onStop_;
};

class ShareSequence : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() /
               ("vomra-share-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root);
        programDir = root / "program";
        sharedFolder = root / "share";
        fs::create_directories(serverDir() / "conf");
        fs::create_directories(serverDir() / "logs");
        fs::create_directories(sharedFolder);
        std::ofstream(serverDir() / "conf" / "nginx.confbak") << "listen name3; root name1; alias name4;\n";

        deriveSettingsPath(service, programDir.wstring());
        deriveInstallationPaths(service, programDir.wstring());
        environment.programDir = programDir.wstring();
        environment.allowPort = [this](std::int32_t port) { record(portAllowed(port)); };
        environment.runProgram = [this](const fs::path& program, const std::vector<std::string>& arguments,
                                        const std::string& standardInput) {
            return runHtpasswd({program, arguments, standardInput});
        };
        environment.startServer = [this](const platform::ServerLaunch& launch, std::string&) {
            return startFakeServer(launch);
        };
        environment.portAnswers = [this](std::int32_t) { return world.serverRunning || world.otherProgramOnPort; };
        environment.serverWait = std::chrono::milliseconds(300);

        entries.sharedFolder = sharedFolder.wstring();
        entries.port = L"8080";
        entries.screenshotSeconds = L"5";
        entries.shareName = L"\u7535\u5F71";  // 电影
        entries.password = L"secret";
        entries.userName = L"guest";
    }

    void TearDown() override {
        stopThumbnails(service);
        fs::remove_all(root);
    }

    fs::path serverDir() const { return programDir / "vomrixserver" / "server"; }
    static std::string portAllowed(std::int32_t port) { return "(port " + std::to_string(port) + " allowed)"; }
    static std::vector<std::string> fullStart(std::int32_t port = 8080) {
        return {portAllowed(port), kHtpasswdRun, kServerStarted};
    }

    void record(const std::string& line) {
        lines.push_back(line);
        if (!passwordFileAtFirstLine) passwordFileAtFirstLine = fs::exists(service.passwordFilePath);
    }

    platform::ProgramRun runHtpasswd(const ProgramCall& call) {
        record(kHtpasswdRun);
        programCalls.push_back(call);
        if (!world.htpasswdWorks) return {true, 1};
        std::ofstream(service.passwordFilePath) << "guest:x\n";
        return {true, 0};
    }

    std::unique_ptr<platform::ServerProcess> startFakeServer(const platform::ServerLaunch& launch) {
        EXPECT_EQ(launch.workingDirectory, serverDir());
        record(kServerStarted);
        world.serverRunning = world.serverStarts;
        std::ofstream(serverErrorLogPath(programDir.wstring()), std::ios::app) << world.serverLogsOnStart;
        if (world.serverWritesPidFile) std::ofstream(serverDir() / "logs" / "nginx.pid") << "4242\n";
        return std::make_unique<FakeServer>([this] {
            record(kServerStopped);
            world.serverRunning = false;
        });
    }

    ShareSettings savedSettings() const {
        ShareService saved;
        saved.settingsPath = service.settingsPath;
        loadSettings(saved);
        return saved.settings;
    }

    void expectNothingRenderedOrRun(const ShareOutcome& outcome) const {
        EXPECT_TRUE(lines.empty());
        EXPECT_FALSE(fs::exists(service.configPath));
        EXPECT_FALSE(outcome.buttons.has_value());
        EXPECT_FALSE(outcome.fillAddressList);
        EXPECT_EQ(service.thumbnailPool, nullptr);
    }

    void expectFailedAfterCommands(const ShareOutcome& outcome) const {
        EXPECT_FALSE(outcome.error.empty());
        EXPECT_FALSE(outcome.buttons.has_value());
        EXPECT_FALSE(outcome.fillAddressList);
        EXPECT_EQ(service.thumbnailPool, nullptr);
    }

    fs::path root, programDir, sharedFolder;
    ShareService service;
    ShareEnvironment environment;
    DialogEntries entries;
    FakeWorld world;
    std::vector<std::string> lines;
    std::vector<ProgramCall> programCalls;
    std::optional<bool> passwordFileAtFirstLine;
};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST_F(ShareSequence, StartRunsItsStepsInOrderAndLeavesARunningShare) {
    const auto outcome = startShare(service, entries, environment);

    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(outcome.warning, "");
    EXPECT_EQ(lines, fullStart());
    ASSERT_TRUE(outcome.buttons.has_value());
    EXPECT_FALSE(outcome.buttons->startEnabled);
    EXPECT_TRUE(outcome.buttons->stopEnabled);
    EXPECT_TRUE(outcome.fillAddressList);
    EXPECT_FALSE(outcome.closeWindow);
    EXPECT_NE(service.thumbnailPool, nullptr);
    EXPECT_TRUE(fs::exists(service.configPath));
}

TEST_F(ShareSequence, StartStoresAndSavesTheEntries) {
    entries.port = L"\uFF18\uFF10\uFF18\uFF10abc";
    entries.screenshotSeconds = L"99999999999";
    entries.password = L"two words";
    startShare(service, entries, environment);

    const ShareSettings& stored = service.settings;
    EXPECT_EQ(stored.sharedFolder, sharedFolder.string());
    EXPECT_EQ(service.thumbnailRoot, (sharedFolder / "VTemp").wstring());
    EXPECT_EQ(stored.port, 8080);
    EXPECT_EQ(stored.screenshotSeconds, 2147483647);
    EXPECT_EQ(stored.shareName, "\xE7\x94\xB5\xE5\xBD\xB1");
    EXPECT_EQ(stored.password, "two words");
    EXPECT_EQ(stored.userName, "guest");

    const ShareSettings saved = savedSettings();
    EXPECT_EQ(saved.sharedFolder, stored.sharedFolder);
    EXPECT_EQ(saved.port, 8080);
    EXPECT_EQ(saved.password, "two words");
}

// The password goes to htpasswd on its standard input: a program's arguments
// are there for every local user to read.
TEST_F(ShareSequence, StartHandsHtpasswdThePasswordOnItsInput) {
    entries.userName = L"o\"brien 100% $x";
    entries.password = L"p\"a%s $w'rd";
    const auto outcome = startShare(service, entries, environment);

    ASSERT_EQ(programCalls.size(), 1u);
    EXPECT_EQ(programCalls[0].program, platform::pathFromUtf8(service.htpasswdExePath));
    EXPECT_EQ(programCalls[0].arguments,
              (std::vector<std::string>{"-i", service.passwordFilePath, "o\"brien 100% $x"}));
    EXPECT_EQ(programCalls[0].standardInput, "p\"a%s $w'rd\n");
}

TEST_F(ShareSequence, StartRemovesTheStalePasswordFileFirst) {
    std::ofstream(service.passwordFilePath) << "old:x\n";

    const auto outcome = startShare(service, entries, environment);

    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(lines, fullStart());
    EXPECT_EQ(passwordFileAtFirstLine, false);
}

TEST_F(ShareSequence, TwoStartsRunEveryStepTwiceAndEndTheFirstServer) {
    startShare(service, entries, environment);
    auto expected = fullStart();
    expected.push_back(kServerStopped);
    entries.port = L"9090";
    const auto outcome = startShare(service, entries, environment);

    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(service.settings.port, 9090);
    EXPECT_NE(service.thumbnailPool, nullptr);
    const auto second = fullStart(9090);
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(lines, expected);
}

TEST_F(ShareSequence, FailedSaveIsAWarningAndStartGoesOn) {
    fs::create_directories(fs::path(service.settingsPath) / "in-the-way");

    const auto outcome = startShare(service, entries, environment);

    EXPECT_NE(outcome.warning, "");
    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(lines, fullStart());
    EXPECT_TRUE(outcome.buttons.has_value());
}

TEST_F(ShareSequence, RefusesAFolderThatIsMissingOrAFileAfterSavingAndRunsNothing) {
    const auto file = root / "file.mp4";
    std::ofstream(file) << "x";
    for (const auto& folder : {root / "no-such-folder", file}) {
        entries.sharedFolder = folder.wstring();
        const auto outcome = startShare(service, entries, environment);
        EXPECT_TRUE(contains(outcome.error, "设置共享文件夹")) << outcome.error;
        expectNothingRenderedOrRun(outcome);
        EXPECT_EQ(savedSettings().sharedFolder, folder.string());
    }
}

// nginx hides only paths through "vomrixserver/server", so the vomrixserver
// folder, the server directory and what lies inside them are refused however
// the path is spelt, and a link to one of them too.
TEST_F(ShareSequence, RefusesTheProgramsServerFoldersHoweverTheyAreReachedAndRunsNothing) {
    std::vector<fs::path> folders{serverDir(),
                                  serverDir().parent_path(),
                                  serverDir() / "conf",
                                  fs::path(serverDir().string() + "/"),
                                  serverDir() / "." / "logs" / "..",
                                  sharedFolder / ".." / "program" / "vomrixserver"};
    // Wine, and Windows without developer mode, make no links.
    const auto link = root / "link to server";
    std::error_code linkError;
    fs::create_directory_symlink(serverDir(), link, linkError);
    if (!linkError) folders.insert(folders.end(), {link, link / "logs"});
    for (const auto& folder : folders) {
        SCOPED_TRACE(folder.string());
        entries.sharedFolder = folder.wstring();
        const auto outcome = startShare(service, entries, environment);
        EXPECT_TRUE(contains(outcome.error, "“设置共享文件夹”不能是程序自己的 vomrixserver 文件夹")) << outcome.error;
        expectNothingRenderedOrRun(outcome);
    }
}

// The template hides the server directory and the settings file inside such a
// folder (a shared home folder).
TEST_F(ShareSequence, SharesAFolderThatHoldsTheProgramsFolder) {
    entries.sharedFolder = root.wstring();
    const auto outcome = startShare(service, entries, environment);

    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(lines, fullStart());
}

TEST_F(ShareSequence, RefusesAValueThatHtpasswdCannotTake) {
    entries.password = L"pw\nline two";
    const auto outcome = startShare(service, entries, environment);

    EXPECT_TRUE(contains(outcome.error, "密码")) << outcome.error;
    expectNothingRenderedOrRun(outcome);
    EXPECT_EQ(savedSettings().password, toUtf8(entries.password));
}

TEST_F(ShareSequence, EndsWhenTheConfigurationCannotBeRendered) {
    fs::remove(service.configTemplatePath);
    const auto outcome = startShare(service, entries, environment);

    EXPECT_NE(outcome.error, "");
    EXPECT_TRUE(lines.empty());
    EXPECT_FALSE(outcome.buttons.has_value());
}

TEST_F(ShareSequence, EndsWhenTheStalePasswordFileCannotBeRemoved) {
    fs::create_directories(fs::path(service.passwordFilePath) / "not-empty");
    const auto outcome = startShare(service, entries, environment);

    EXPECT_TRUE(contains(outcome.error, service.passwordFilePath)) << outcome.error;
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(fs::exists(service.configPath));
    EXPECT_FALSE(outcome.buttons.has_value());
}

TEST_F(ShareSequence, EndsWhenAnotherProgramHoldsThePort) {
    world.otherProgramOnPort = true;
    const auto outcome = startShare(service, entries, environment);

    EXPECT_TRUE(contains(outcome.error, "8080")) << outcome.error;
    EXPECT_TRUE(lines.empty());
    expectFailedAfterCommands(outcome);
}

TEST_F(ShareSequence, EndsBeforeTheServerWhenThePasswordFileLacksTheUser) {
    world.htpasswdWorks = false;
    const auto outcome = startShare(service, entries, environment);

    EXPECT_TRUE(contains(outcome.error, "密码文件")) << outcome.error;
    EXPECT_EQ(lines, (std::vector<std::string>{portAllowed(8080), kHtpasswdRun}));
    expectFailedAfterCommands(outcome);
}

TEST_F(ShareSequence, ServerThatNeverAnswersIsStoppedAndReportedWithItsTellingLogLine) {
    world.serverStarts = false;
    world.serverLogsOnStart =
        "2024/05/01 10:00:00 [notice] 7#7: using inherited sockets\n"
        "2024/05/01 10:00:00 [emerg] 7#7: bind() to 0.0.0.0:8080 failed (13: Permission denied)\n"
        "2024/05/01 10:00:00 [notice] 7#7: try again to bind() after 500ms\n"
        "2024/05/01 10:00:03 [emerg] 7#7: still could not bind()\n";
    const auto outcome = startShare(service, entries, environment);

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
    const auto outcome = startShare(service, entries, environment);

    EXPECT_EQ(outcome.error, "");
    EXPECT_TRUE(contains(outcome.warning, "nginx.pid")) << outcome.warning;
    EXPECT_EQ(lines, fullStart());
    ASSERT_TRUE(outcome.buttons.has_value());
    EXPECT_FALSE(outcome.buttons->startEnabled);
    EXPECT_TRUE(outcome.fillAddressList);
    EXPECT_NE(service.thumbnailPool, nullptr);
}

TEST_F(ShareSequence, AServerThatCannotBeRunIsReportedWithItsReason) {
    environment.startServer = [](const platform::ServerLaunch&, std::string& error) {
        error = "No such file or directory";
        return std::unique_ptr<platform::ServerProcess>();
    };
    const auto outcome = startShare(service, entries, environment);

    EXPECT_TRUE(contains(outcome.error, "No such file or directory")) << outcome.error;
    expectFailedAfterCommands(outcome);
}

TEST_F(ShareSequence, StopWithoutStartRunsNothingAndEnablesStart) {
    const auto outcome = stopShare(service, environment);

    EXPECT_TRUE(lines.empty());
    ASSERT_TRUE(outcome.buttons.has_value());
    EXPECT_TRUE(outcome.buttons->startEnabled);
    EXPECT_FALSE(outcome.buttons->stopEnabled);
    EXPECT_FALSE(outcome.fillAddressList);
    EXPECT_FALSE(outcome.closeWindow);
    EXPECT_EQ(outcome.error, "");
}

TEST_F(ShareSequence, ExitStopsAndClosesTheWindow) {
    startShare(service, entries, environment);
    lines.clear();
    const auto outcome = exitShare(service, environment);

    EXPECT_TRUE(outcome.closeWindow);
    EXPECT_EQ(service.thumbnailPool, nullptr);
    EXPECT_EQ(service.server, nullptr);
    EXPECT_EQ(lines, std::vector<std::string>{kServerStopped});
    ASSERT_TRUE(outcome.buttons.has_value());
    EXPECT_TRUE(outcome.buttons->startEnabled);
    EXPECT_FALSE(outcome.buttons->stopEnabled);
}
