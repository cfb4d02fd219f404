// Command lines for the Windows command interpreter. Every path and value
// stands inside double quotes, so blanks and characters such as "&" or "("
// in a folder name, user name or password reach the program as typed; values
// that cmd.exe would still read specially there (a double quote, "%") are
// refused before any line is built (safe_values.h).
#include <string>

#include "platform/paths.h"
#include "share/command_line_dialects.h"

namespace cmd_lines {
namespace {

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// The called program's C runtime reads 2n backslashes before a double quote
// as n backslashes and the end of the argument, 2n+1 as n and a literal
// quote. A value holds no quote, so only its trailing backslashes stand
// before one: doubled, they reach the program as typed.
std::string quotedArgument(const std::string& value) {
    const std::size_t kept = value.find_last_not_of('\\') + 1;  // npos + 1 is 0: all backslashes
    return quoted(value + std::string(value.size() - kept, '\\'));
}

// cmd.exe /C drops the first and the last double quote of a line that
// begins with one; one more pair around such a line keeps it as written.
std::string keptWhole(const std::string& lineBeginningWithAQuote) {
    return quoted(lineBeginningWithAQuote);
}

// /d: the directory may lie on another drive than the program's working directory.
std::string changeToServerDirectory(const InstallPaths& paths) {
    return "cd /d " + quoted(platform::utf8FromPath(paths.serverDir));
}

}  // namespace

// netsh alone: a server program in front of it would run in the foreground
// and either fail, so that netsh never runs, or keep Start waiting.
std::string firewall(const ShareSettings& settings) {
    return "netsh advfirewall firewall add rule name = \"Nginx HTTP\" dir=in action=allow protocol=TCP localport=" +
           std::to_string(settings.port);
}

// htpasswd.exe directly, not through a second "cmd /c": the outer
// interpreter would read the doubled quotes of the inner line as the end of
// each quoted value and act on an "&" in a path or password. The paths here
// end in a file name, never in a backslash.
std::string password(const ShareSettings& settings, const InstallPaths& paths) {
    return keptWhole(quoted(platform::utf8FromPath(paths.htpasswdProgram)) + " -c -b " +
                     quoted(platform::utf8FromPath(paths.passwordFile)) + " " + quotedArgument(settings.userName) +
                     " " + quotedArgument(settings.password));
}

// nginx's own quit request, which finds the server through its pid file;
// every other nginx of the machine is left alone.
std::string serverStop(const InstallPaths& paths) {
    return changeToServerDirectory(paths) + " && " + quoted(platform::utf8FromPath(paths.serverProgram)) + " -c " +
           quoted(platform::utf8FromPath(paths.configFile)) + " -s quit";
}

std::string browser(const std::string& urlUtf8) {
    return "start \"\" \"" + urlUtf8 + "\"";
}

}  // namespace cmd_lines
