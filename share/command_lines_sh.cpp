// Command lines for the POSIX shell (/bin/sh, dash on Debian). Every
// inserted value is one single-quoted word, so no value can change a command.
#include <string>

#include "platform/paths.h"
#include "share/command_line_dialects.h"
#include "share/sh_quote.h"

namespace sh_lines {
namespace {

std::string serverDirectory(const InstallPaths& paths) {
    return platform::utf8FromPath(paths.serverDir);
}

// The server program with the server directory as its prefix, for the quit
// request. nginx shows the prefix in its master's process title, which is how
// the stop line recognises this instance (server_launch.cpp starts it so).
std::string nginxInvocation(const InstallPaths& paths) {
    return shQuote(platform::utf8FromPath(paths.serverProgram)) + " -p " + shQuote(serverDirectory(paths) + "/");
}

// A shell function: true when process $1 is the master of this prefix's
// nginx. A pid file left by a crash can name an unrelated process by now.
std::string isThisMasterFunction(const InstallPaths& paths) {
    return "is_this_master() { case $(tr '\\0' ' ' <\"/proc/$1/cmdline\" 2>/dev/null) in "
           "'nginx: master process '*' -p '" +
           shQuote(serverDirectory(paths) + "/") + "' '*) ;; *) return 1 ;; esac; }";
}

// The master's pid from the pid file that nginx.confbak names, only when it
// is a number.
const char* const kReadPid = "pid=$(cat logs/nginx.pid 2>/dev/null) && case $pid in ''|*[!0-9]*) false ;; esac";

// After the quit request: nginx gets a second to finish; whatever is left of
// this instance then, the master and its workers, is ended by force.
const char* const kForcedEnd =
    "{ i=0; while is_this_master \"$pid\" && [ $i -lt 10 ]; do sleep 0.1; i=$((i+1)); done; "
    "if is_this_master \"$pid\"; then kill -KILL $(pgrep -P \"$pid\") \"$pid\" 2>/dev/null; fi; }";

}  // namespace

// Without the rights to change the firewall, the tool fails quietly.
std::string firewall(const ShareSettings& settings) {
    const std::string port = std::to_string(settings.port);
    return "if command -v ufw >/dev/null 2>&1; then ufw allow " + shQuote(port + "/tcp") +
           " comment 'Nginx HTTP' >/dev/null 2>&1; elif command -v firewall-cmd >/dev/null 2>&1; then "
           "firewall-cmd --add-port=" +
           shQuote(port + "/tcp") + " >/dev/null 2>&1; fi";
}

// The password reaches htpasswd on its standard input, from the shell's
// built-in printf, so it never shows in htpasswd's command line. The file
// holds the password's hash: only its owner may read it.
std::string password(const ShareSettings& settings, const InstallPaths& paths) {
    return "umask 077 && printf '%s\\n' " + shQuote(settings.password) + " | " +
           shQuote(platform::utf8FromPath(paths.htpasswdProgram)) + " -i -c " +
           shQuote(platform::utf8FromPath(paths.passwordFile)) + " " + shQuote(settings.userName);
}

// No signal reaches a process before it is known to be this prefix's nginx
// master; an nginx of anyone else is never touched.
std::string serverStop(const InstallPaths& paths) {
    return "cd " + shQuote(serverDirectory(paths)) + " && " + isThisMasterFunction(paths) + " && " + kReadPid +
           " && is_this_master \"$pid\" && " + nginxInvocation(paths) + " -c " +
           shQuote(platform::utf8FromPath(paths.configFile)) + " -e logs/error.log -s quit && " + kForcedEnd;
}

// In the background, so that the call returns at once.
std::string browser(const std::string& urlUtf8) {
    return "xdg-open " + shQuote(urlUtf8) + " >/dev/null 2>&1 &";
}

}  // namespace sh_lines
