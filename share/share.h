#pragma once
// The running share: nginx serving the folder, the playback helper behind
// it, and the stills being made.
// The window owns one; it ends both when it is destroyed.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "config/install_paths.h"
#include "config/share_settings.h"
#include "nginx/error_log_watch.h"
#include "nginx/password_file.h"
#include "platform/firewall.h"
#include "platform/loopback_probe.h"
#include "platform/server_process.h"
#include "playback/playback_server.h"
#include "share/denied_links_watch.h"
#include "share/server_check.h"
#include "thumbs/thumbnail_pool.h"

// How a Start went. Messages are UTF-8, for the user.
struct StartReport {
    std::string warning;                // something went wrong, but the share runs (one a line)
    std::string error;                  // the share did not start; nothing is left running
    bool serverProgramMissing = false;  // the error: there is no web server program to start
};

// How the share reaches the world outside the program; tests replace parts.
struct ShareEnvironment {
    // Lets other machines reach the port; tests leave the firewall alone.
    std::function<void(std::int32_t port)> allowPort = platform::allowInboundPort;
    // Writes the password file (through htpasswd where the system has it);
    // tests stand in for it.
    std::function<bool(const PasswordFileEntry&)> writePasswordFile = [](const PasswordFileEntry& entry) {
        return ::writePasswordFile(entry);
    };
    std::function<bool(std::int32_t port)> portAnswers = platform::loopbackPortAnswers;
    // Starts the web server as the program's child; nullptr and a reason when it cannot.
    std::function<std::unique_ptr<platform::ServerProcess>(const platform::ServerLaunch&, std::string& error)>
        startServer = platform::ServerProcess::start;
    // How long an old server may take to free the port, and a new one to answer.
    std::chrono::milliseconds serverWait{5000};
    // A server that ends again this soon after it was started again is not
    // started a second time.
    std::chrono::milliseconds restartQuietTime{60000};
    // How often the running share looks for new links to the program's files.
    std::chrono::milliseconds linkWalkInterval{4000};
};

class Share {
public:
    explicit Share(InstallPaths paths, ShareEnvironment environment = {});
    ~Share();
    Share(const Share&) = delete;
    Share& operator=(const Share&) = delete;

    // Saves the settings, refuses unusable values, renders the configuration,
    // creates the password file and starts the web server (ending the one
    // this share ran before), checks that it answers, starts the stills. It
    // fails whole (nothing left running) or succeeds whole, with a warning
    // for what is degraded: the settings unsaved, the pid file unwritten,
    // stills not begun, folders that could not be read.
    StartReport start(const ShareSettings& settings);

    // Ends the stills and the web server this share started; does nothing
    // when nothing runs.
    void stop();

    bool running() const { return m_server != nullptr; }

    // Cheap enough for every refresh of the window, and called from the
    // thread that called start(): a server that ended behind the program's
    // back is started again once, as Start started it; one that cannot start
    // or soon ends again stops the share. While the server runs, links to the
    // program's files that appeared or went since the last look are written
    // to the denied list and the server reloads it.
    ServerCheck checkServer();

    // How far the stills have come, while they are being made.
    std::optional<ThumbnailProgress> stillsProgress() const;
    // The videos of the running share that got no still, and why.
    std::vector<StillFailure> stillFailures() const;

    // At start-up: ends a server of this server directory that an earlier
    // run left behind (found through its pid file and its own command line).
    // Returns a message for the user when there was one, nullopt otherwise.
    std::optional<std::string> endLeftoverServer();

    const InstallPaths& paths() const { return m_paths; }

private:
    std::optional<std::string> launchServer(const ShareSettings& settings);
    std::optional<std::string> runServer(const ShareSettings& settings);
    std::optional<std::string> startPlayback(const ShareSettings& settings);
    void startStills(const ShareSettings& settings, StartReport& report);
    void endServer();
    void watchServer(const ShareSettings& settings);
    ServerCheck restartServer();
    void renewDeniedLinks();

    InstallPaths m_paths;
    ShareEnvironment m_environment;
    std::unique_ptr<platform::ServerProcess> m_server;
    std::unique_ptr<PlaybackServer> m_playback;
    std::unique_ptr<ThumbnailPool> m_stills;

    // The running share's, for checkServer.
    ShareSettings m_settings;
    std::optional<ErrorLogWatch> m_serverLog;  // marked where the server last started
    std::optional<std::chrono::steady_clock::time_point> m_restartedAt;
    std::vector<std::string> m_deniedPaths;  // as the denied list the server read has them
    std::unique_ptr<DeniedLinksWatch> m_deniedLinks;
};
