#pragma once
// One installation of the program in a fresh folder: a server directory laid
// out like the build's, the settings of one share on a free loopback port,
// and the program's own ways to start and stop its nginx. Whatever a test
// does, the destructor ends every process of this installation.
#include <filesystem>
#include <string>
#include <vector>

#include "config/install_paths.h"
#include "config/share_settings.h"
#include "platform/server_process.h"
#include "tests/e2e/http_client.h"
#include "tests/common/test_folder.h"

class ServerInstallation {
    TestFolder program_;  // first: the paths below hang on it
    std::string programDir_;

public:
    ServerInstallation(const std::string& name, const std::string& sharedFolderUtf8);
    ~ServerInstallation();
    ServerInstallation(const ServerInstallation&) = delete;
    ServerInstallation& operator=(const ServerInstallation&) = delete;

    // Share "电影", user "guest", on a free loopback port.
    ShareSettings settings;
    // Derived from the program directory.
    const InstallPaths paths;
    // The server launch started.
    std::unique_ptr<platform::ServerProcess> server;

    const std::string& programDir() const { return programDir_; }
    std::filesystem::path serverDir() const;
    HttpClient http() const { return HttpClient(static_cast<std::uint16_t>(settings.port)); }

    // Renders the configuration, makes the password file and starts nginx
    // the program's own way. nginx has bound its port or
    // given up when launch returns; start is true once it answers on 127.0.0.1.
    void launch();
    bool start();
    // Renders the configuration and makes the password file, as launch does first.
    void prepare();
    // From now on nginx listens on this one address instead of every one.
    void listenOnlyOn(const std::string& address) const;
    // Ends the server launch started, through the process it holds.
    void stop() const;
    // Starts nginx as an earlier version of the program did: as a daemon,
    // through its pid file, outliving whoever started it.
    void startAsDaemon();
    // Ends a server an earlier run left behind, as the program does.
    void endLeftover() const;

    // The pids of this installation's live nginx processes, master and
    // workers, found by their working directory, not through the pid file.
    std::vector<std::string> processes() const;
    // Waits a few seconds at most for processes() to become empty.
    bool waitUntilEnded() const;
};
