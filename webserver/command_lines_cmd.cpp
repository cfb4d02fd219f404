// Command lines for the Windows command interpreter. Values stand as they
// are, inside the quotes the literals give; values that cmd.exe would read
// specially are refused before any line is built (safe_values.h).
#include <string>

#include "config/text_conversion.h"
#include "webserver/command_line_dialects.h"

namespace cmd_lines {
namespace {

std::string serverDirectory(const std::string& programDirUtf8) { return programDirUtf8 + "\\vomrixserver\\server"; }

}  // namespace

// netsh alone: a server program in front of it would run in the foreground
// and either fail, so that netsh never runs, or keep Start waiting.
std::string firewall(const ShareService& service) {
    return "netsh advfirewall firewall add rule name = \"Nginx HTTP\" dir=in action=allow protocol=TCP localport=" +
           std::to_string(service.settings.port);
}

std::string password(const ShareService& service) {
    return "cmd /c " + service.htpasswdExePath + " -c -b \"" + service.passwordFilePath + "\" \"" +
           service.settings.userName + "\" \"" + service.settings.password + "\"";
}

// start returns at once and leaves nginx running with the server directory
// as its working directory, where it finds conf\nginx.conf.
std::string serverStart(const std::string& programDirUtf8) {
    return "cd " + serverDirectory(programDirUtf8) + " && start nginx.exe";
}

std::string serverStop(const ShareService& service, const std::string& programDirUtf8) {
    return "cd " + serverDirectory(programDirUtf8) + " && " + toUtf8(service.serverExePath) + " -c " +
           service.configPath + " -s quit && taskkill /F /IM nginx.exe";
}

std::string browser(const std::string& urlUtf8) { return "start \"\" \"" + urlUtf8 + "\""; }

}  // namespace cmd_lines
