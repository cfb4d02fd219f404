#include "nginx/server_launch.h"

#include "platform/paths.h"

// On POSIX nginx stays in the foreground ("daemon off"), so that it remains
// the program's child. The prefix is given as "-p <directory>/", which nginx
// shows in its master's process title: that is how a server left by an
// earlier version of the program is recognised. Run by root, the workers run
// as the shared folder's owner.
platform::ServerLaunch serverLaunch(const ShareSettings& settings, const InstallPaths& paths) {
    platform::ServerLaunch launch;
    launch.program = paths.serverProgram;
    launch.workingDirectory = paths.serverDir;
    if (!platform::kServerTakesPathArguments) return launch;
    const std::string globals =
        "daemon off; " + platform::workerUserDirective(platform::pathFromUtf8(settings.sharedFolder));
    launch.arguments = {
        "-p", platform::utf8FromPath(paths.serverDir) + "/", "-c", platform::utf8FromPath(paths.configFile),
        "-e", platform::utf8FromPath(paths.errorLog),        "-g", globals};
    return launch;
}
