// The POSIX shell's lines: byte for byte, then run by the real /bin/sh
// against recording stand-ins for nginx, htpasswd and the firewall tools.
#include <gtest/gtest.h>

#include <optional>

#include "config/install_paths.h"
#include "config/text_conversion.h"
#include "tests/common/shell_output.h"
#include "tests/common/test_folder.h"
#include "share/command_lines.h"
#include "share/command_runner.h"
#include "share/sh_quote.h"

namespace {

constexpr auto kSh = ShellDialect::PosixSh;

// Values that would run something if the shell ever read them as code.
const std::string kHostileUser = "o'brien $(touch PWNED) `touch PWNED` \"q\" ; & | * ~ 访客";
const std::string kHostilePassword = "p w'\"$HOME\\ ;touch PWNED; 密码";

ShareService posixService() {
    ShareService service;
    service.serverExePath = L"/opt/vomra/vomrixserver/server/nginx";
    service.configPath = "/opt/vomra/vomrixserver/server/conf/nginx.conf";
    service.htpasswdExePath = "/opt/vomra/vomrixserver/server/htpasswd";
    service.passwordFilePath = "/opt/vomra/vomrixserver/server/.htpasswd";
    service.settings.userName = "guest";
    service.settings.password = "secret";
    service.settings.port = 8080;
    return service;
}

TEST(ShCommandLines, QuoteWrapsInSingleQuotesAndSplicesEmbeddedOnes) {
    EXPECT_EQ(shQuote(""), "''");
    EXPECT_EQ(shQuote("a b$c`d\"e\\f"), "'a b$c`d\"e\\f'");
    EXPECT_EQ(shQuote("it's"), "'it'\\''s'");
}

TEST(ShCommandLines, FirewallTriesUfwThenFirewalld) {
    EXPECT_EQ(firewallCommandLine(kSh, posixService()),
              "if command -v ufw >/dev/null 2>&1; then ufw allow '8080/tcp' comment 'Nginx HTTP' >/dev/null 2>&1; "
              "elif command -v firewall-cmd >/dev/null 2>&1; then firewall-cmd --add-port='8080/tcp' >/dev/null 2>&1; "
              "fi");
}

TEST(ShCommandLines, PasswordGoesToStandardInput) {
    ShareService service = posixService();
    service.settings.userName = "o'brien 访客";
    service.settings.password = "p w'$(x)";
    EXPECT_EQ(passwordCommandLine(kSh, service),
              "umask 077 && printf '%s\\n' 'p w'\\''$(x)' | '/opt/vomra/vomrixserver/server/htpasswd' -i -c "
              "'/opt/vomra/vomrixserver/server/.htpasswd' 'o'\\''brien 访客'");
}

TEST(ShCommandLines, ServerStopChecksThePidBeforeAnySignal) {
    EXPECT_EQ(serverStopCommandLine(kSh, posixService(), "/opt/vomra"),
              "cd '/opt/vomra/vomrixserver/server' && is_this_master() { case $(tr '\\0' ' ' <\"/proc/$1/cmdline\" "
              "2>/dev/null) in 'nginx: master process '*' -p ''/opt/vomra/vomrixserver/server/'' '*) ;; *) return 1 "
              ";; esac; } && pid=$(cat logs/nginx.pid 2>/dev/null) && case $pid in ''|*[!0-9]*) false ;; esac && "
              "is_this_master \"$pid\" && '/opt/vomra/vomrixserver/server/nginx' -p '/opt/vomra/vomrixserver/server/' "
              "-c '/opt/vomra/vomrixserver/server/conf/nginx.conf' -e logs/error.log -s quit && { i=0; while "
              "is_this_master \"$pid\" && [ $i -lt 10 ]; do sleep 0.1; i=$((i+1)); done; if is_this_master \"$pid\"; "
              "then kill -KILL $(pgrep -P \"$pid\") \"$pid\" 2>/dev/null; fi; }");
}

TEST(ShCommandLines, BrowserOpensInTheBackground) {
    EXPECT_EQ(browserCommandLine(kSh, "http://192.168.1.10:8080/电影"),
              "xdg-open 'http://192.168.1.10:8080/电影' >/dev/null 2>&1 &");
}

// A program directory whose own name holds quotes, blanks, command
// substitutions and Chinese, with recording stand-ins where the lines look
// for nginx, htpasswd, ufw and firewall-cmd.
class ShCommandLinesRun : public ::testing::Test {
protected:
    void SetUp() override {
        if (platform::kNativeShellDialect != ShellDialect::PosixSh) GTEST_SKIP() << "POSIX shell cases";
        program_.emplace("程序 'q' \"d\" $(touch PWNED) `touch PWNED` ; &");
        programDir_ = program_->utf8();
        deriveInstallationPaths(service_, fromUtf8(programDir_));
        serverDir_ = pathOf(programDir_) / "vomrixserver" / "server";
        std::filesystem::create_directories(serverDir_ / "logs");
        std::filesystem::create_directories(*program_ / "bin");
        service_.settings.userName = kHostileUser;
        service_.settings.password = kHostilePassword;
        service_.settings.port = 8080;
    }

    // Records its arguments, one "[argument]" a line, and its working directory.
    static void installRecorder(const std::filesystem::path& path, bool readsInput = false) {
        writeFile(path, std::string("#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"$0.args\"\n"
                                    "pwd > \"$0.cwd\"\n") +
                            (readsInput ? "cat > \"$0.stdin\"\n" : ""));
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }

    static std::string recorded(const std::filesystem::path& program, const char* what) {
        return readFile(std::filesystem::path(program) += what);
    }

    // Runs the line with only the stand-ins' folder and the system's
    // programs on the search path.
    void runWithStandIns(const std::string& line) {
        runShellCommand("PATH=" + shQuote(utf8Of(*program_ / "bin")) + ":/usr/bin:/bin; " + line);
    }

    void expectNothingInjected() const {
        EXPECT_FALSE(std::filesystem::exists("PWNED"));
        EXPECT_FALSE(std::filesystem::exists(serverDir_ / "PWNED"));
    }

    std::optional<TestFolder> program_;  // a name Windows would refuse
    std::string programDir_;
    std::filesystem::path serverDir_;
    ShareService service_;
};

TEST_F(ShCommandLinesRun, PasswordReachesHtpasswdWholeOnItsStandardInput) {
    const auto htpasswd = pathOf(service_.htpasswdExePath);
    installRecorder(htpasswd, true);
    runShellCommand(passwordCommandLine(kSh, service_));
    EXPECT_EQ(recorded(htpasswd, ".args"), "[-i]\n[-c]\n[" + service_.passwordFilePath + "]\n[" + kHostileUser + "]\n");
    EXPECT_EQ(recorded(htpasswd, ".stdin"), kHostilePassword + "\n");
    expectNothingInjected();
}

TEST_F(ShCommandLinesRun, RealHtpasswdWritesAnEntryThatVerifies) {
    service_.htpasswdExePath = "/usr/bin/htpasswd";
    runShellCommand(passwordCommandLine(kSh, service_));
    const std::string entry = readFile(pathOf(service_.passwordFilePath));
    EXPECT_TRUE(entry.starts_with(kHostileUser + ":")) << entry;
    EXPECT_EQ(entry.find(kHostilePassword), std::string::npos) << "stored hashed";
    const auto permissions = std::filesystem::status(pathOf(service_.passwordFilePath)).permissions();
    EXPECT_EQ(permissions & (std::filesystem::perms::group_all | std::filesystem::perms::others_all),
              std::filesystem::perms::none);

    const std::string verified = utf8Of(*program_ / "verified");
    runShellCommand("printf '%s\\n' " + shQuote(kHostilePassword) + " | htpasswd -v -i " +
                    shQuote(service_.passwordFilePath) + " " + shQuote(kHostileUser) + " 2>/dev/null && touch " +
                    shQuote(verified));
    EXPECT_TRUE(std::filesystem::exists(pathOf(verified)));
}

TEST_F(ShCommandLinesRun, FirewallUsesUfwWhereItIsOnThePath) {
    installRecorder(*program_ / "bin" / "ufw");
    installRecorder(*program_ / "bin" / "firewall-cmd");
    runWithStandIns(firewallCommandLine(kSh, service_));
    EXPECT_EQ(recorded(*program_ / "bin" / "ufw", ".args"), "[allow]\n[8080/tcp]\n[comment]\n[Nginx HTTP]\n");
    EXPECT_FALSE(std::filesystem::exists(*program_ / "bin" / "firewall-cmd.args"));
}

TEST_F(ShCommandLinesRun, FirewallFallsBackToFirewalldAndOtherwiseDoesNothing) {
    runWithStandIns(firewallCommandLine(kSh, service_));  // neither tool: nothing runs, nothing fails
    installRecorder(*program_ / "bin" / "firewall-cmd");
    runWithStandIns(firewallCommandLine(kSh, service_));
    EXPECT_EQ(recorded(*program_ / "bin" / "firewall-cmd", ".args"), "[--add-port=8080/tcp]\n");
}

TEST_F(ShCommandLinesRun, PidFileThatIsNoNumberStopsTheLine) {
    const auto nginx = pathOf(toUtf8(service_.serverExePath));
    installRecorder(nginx);
    for (const std::string pid : {"", "1 2\n", "../self\n", "-1\n"}) {
        writeFile(serverDir_ / "logs" / "nginx.pid", pid);
        runShellCommand(serverStopCommandLine(kSh, service_, programDir_));
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(nginx) += ".args")) << pid;
    }
}

}  // namespace
