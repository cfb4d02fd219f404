#pragma once
// How the program runs its web server: nginx in the foreground, as the
// program's own child (platform/server_process.h), from the server directory.
#include <string>

#include "config/install_paths.h"
#include "config/share_settings.h"
#include "platform/server_process.h"

platform::ServerLaunch serverLaunch(const ShareSettings& settings, const InstallPaths& paths);
