#pragma once
// How the program runs its web server: nginx in the foreground, as the
// program's own child (platform/server_process.h), from the server directory.
#include <string>

#include "config/share_service.h"
#include "platform/server_process.h"

platform::ServerLaunch serverLaunch(const ShareService& service, const std::wstring& programDir);

// The server's pid file, logs/nginx.pid in the server directory.
std::filesystem::path serverPidFilePath(const std::wstring& programDir);
