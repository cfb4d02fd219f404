#pragma once
// The one global record: installation paths, the running thumbnail pool and
// the user's share settings.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/server_process.h"

class ThumbnailPool;

// What the settings file stores. Strings are UTF-8.
struct ShareSettings {
    std::string sharedFolder;
    std::string shareName;
    std::string userName;
    std::string password;
    std::int32_t port = 0;
    std::int32_t screenshotSeconds = 0;
};

struct ShareService {
    std::wstring settingsPath;                        // programDirectory + "/vomra.data"
    std::string configTemplatePath;                   // UTF-8: .../vomrixserver/server/conf/nginx.confbak
    std::string configPath;                           // UTF-8: .../vomrixserver/server/conf/nginx.conf
    std::wstring serverExePath;                       // .../vomrixserver/server/nginx
    std::wstring thumbnailRoot;                       // sharedFolder + "/VTemp"
    std::string htpasswdExePath;                      // UTF-8: .../vomrixserver/server/htpasswd
    std::string passwordFilePath;                     // UTF-8: .../vomrixserver/server/.htpasswd
    ThumbnailPool* thumbnailPool = nullptr;           // owning; only startThumbnails/stopThumbnails change it
    std::shared_ptr<platform::ServerProcess> server;  // the running web server; Start sets it, Stop ends it
    ShareSettings settings;
};

extern ShareService shareService;
