#include "nginx/server_launch.h"

#include "config/install_paths.h"
#include "config/text_conversion.h"
#include "platform/paths.h"

namespace {

std::filesystem::path serverDirectoryPath(const std::wstring& programDir) {
    return platform::pathFromUtf8(toUtf8(serverDirectory(programDir)));
}

}  // namespace

// On POSIX nginx stays in the foreground ("daemon off"), so that it remains
// the program's child. The prefix is given as "-p <directory>/", which nginx
// shows in its master's process title: that is how a server left by an
// earlier version of the program is recognised. Run by root, the workers run
// as the shared folder's owner. nginx for Windows never leaves the
// foreground and finds conf\nginx.conf below its working directory.
platform::ServerLaunch serverLaunch(const ShareService& service, const std::wstring& programDir) {
    platform::ServerLaunch launch;
    launch.program = platform::pathFromUtf8(toUtf8(service.serverExePath));
    launch.workingDirectory = serverDirectoryPath(programDir);
    if (platform::kServerStartsWithoutArguments) return launch;
    const std::string globals =
        "daemon off; " + platform::workerUserDirective(platform::pathFromUtf8(service.settings.sharedFolder));
    launch.arguments = {
        "-p",   toUtf8(serverDirectory(programDir)) + "/", "-c", "conf/nginx.conf", "-e", "logs/error.log", "-g",
        globals};
    return launch;
}

std::filesystem::path serverPidFilePath(const std::wstring& programDir) {
    return serverDirectoryPath(programDir) / "logs" / "nginx.pid";
}
