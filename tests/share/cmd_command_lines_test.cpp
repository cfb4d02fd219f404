// The Windows command interpreter's lines, byte for byte.
#include <gtest/gtest.h>

#include "share/command_lines.h"

namespace {

ShareService windowsService() {
    ShareService service;
    service.serverExePath = L"D:\\apps\\vomrixserver\\server\\nginx.exe";
    service.configPath = "D:\\apps\\vomrixserver\\server\\conf\\nginx.conf";
    service.htpasswdExePath = "D:\\apps\\vomrixserver\\server\\htpasswd.exe";
    service.passwordFilePath = "D:\\apps\\vomrixserver\\server\\.htpasswd";
    service.settings.userName = "guest user";
    service.settings.password = "pa ss&|<>^!";
    service.settings.port = 8080;
    return service;
}

constexpr auto kCmd = ShellDialect::WindowsCmd;

TEST(CmdCommandLines, FirewallRuleIsTheNetshCommandAlone) {
    EXPECT_EQ(firewallCommandLine(kCmd, windowsService()),
              "netsh advfirewall firewall add rule name = \"Nginx HTTP\" dir=in action=allow protocol=TCP "
              "localport=8080");
}

// The line begins with a quote, so one more pair keeps it whole under cmd.exe /C.
TEST(CmdCommandLines, PasswordLineQuotesProgramFileUserAndPassword) {
    EXPECT_EQ(passwordCommandLine(kCmd, windowsService()),
              "\"\"D:\\apps\\vomrixserver\\server\\htpasswd.exe\" -c -b \"D:\\apps\\vomrixserver\\server\\.htpasswd\" "
              "\"guest user\" \"pa ss&|<>^!\"\"");
}

TEST(CmdCommandLines, PasswordLineCarriesNonAsciiBytesAndEmptyValues) {
    ShareService service = windowsService();
    service.settings.userName = "访客";
    service.settings.password = "";
    EXPECT_EQ(passwordCommandLine(kCmd, service),
              "\"\"D:\\apps\\vomrixserver\\server\\htpasswd.exe\" -c -b \"D:\\apps\\vomrixserver\\server\\.htpasswd\" "
              "\"\xE8\xAE\xBF\xE5\xAE\xA2\" \"\"\"");
}

// htpasswd.exe's C runtime would read a backslash before the closing quote as
// a literal quote: a value's trailing backslashes are doubled, those inside
// it stay single.
TEST(CmdCommandLines, PasswordLineDoublesTrailingBackslashes) {
    const auto lineFor = [](const std::string& userName, const std::string& password) {
        ShareService service = windowsService();
        service.settings.userName = userName;
        service.settings.password = password;
        return passwordCommandLine(kCmd, service);
    };
    const std::string head =
        "\"\"D:\\apps\\vomrixserver\\server\\htpasswd.exe\" -c -b \"D:\\apps\\vomrixserver\\server\\.htpasswd\" ";
    EXPECT_EQ(lineFor("bob\\", "a\\b\\\\"), head + "\"bob\\\\\" \"a\\b\\\\\\\\\"\"");
    EXPECT_EQ(lineFor("guest", "\\"), head + "\"guest\" \"\\\\\"\"");
}

TEST(CmdCommandLines, ServerStopOnlyAsksThisServerToQuit) {
    EXPECT_EQ(serverStopCommandLine(kCmd, windowsService(), "D:\\apps"),
              "cd /d \"D:\\apps\\vomrixserver\\server\" && \"D:\\apps\\vomrixserver\\server\\nginx.exe\" -c "
              "\"D:\\apps\\vomrixserver\\server\\conf\\nginx.conf\" -s quit");
}

TEST(CmdCommandLines, ProgramPathsWithBlanksAndChineseStayWhole) {
    ShareService service = windowsService();
    service.serverExePath = L"C:\\Program Files\\新建文件夹 (2)\\vomrixserver\\server\\nginx.exe";
    service.configPath = "C:\\Program Files\\新建文件夹 (2)\\vomrixserver\\server\\conf\\nginx.conf";
    EXPECT_EQ(serverStopCommandLine(kCmd, service, "C:\\Program Files\\新建文件夹 (2)"),
              "cd /d \"C:\\Program Files\\新建文件夹 (2)\\vomrixserver\\server\" && "
              "\"C:\\Program Files\\新建文件夹 (2)\\vomrixserver\\server\\nginx.exe\" -c "
              "\"C:\\Program Files\\新建文件夹 (2)\\vomrixserver\\server\\conf\\nginx.conf\" -s quit");
}

TEST(CmdCommandLines, BrowserStartsTheUrlWithAnEmptyTitle) {
    EXPECT_EQ(browserCommandLine(kCmd, "http://192.168.1.10:8080/电影"),
              "start \"\" \"http://192.168.1.10:8080/电影\"");
}

}  // namespace
