#pragma once
// What the Start, Stop and Exit buttons do, over the ShareService record.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "config/share_service.h"
#include "platform/firewall.h"
#include "platform/loopback_probe.h"
#include "platform/process.h"
#include "platform/server_process.h"

// The six boxes of the dialog as the user left them.
struct DialogEntries {
    std::wstring sharedFolder;
    std::wstring port;
    std::wstring screenshotSeconds;
    std::wstring shareName;
    std::wstring password;
    std::wstring userName;
};

struct ButtonStates {
    bool startEnabled = true;
    bool stopEnabled = true;
};

// What the dialog does after a sequence. Messages are UTF-8, for the user.
struct ShareOutcome {
    std::optional<ButtonStates> buttons;  // nullopt: the buttons stay as they are
    bool fillAddressList = false;         // list the addresses for the stored port and share name
    bool closeWindow = false;
    std::string warning;  // something went wrong, but the sequence went on (one a line)
    std::string error;    // the sequence ended here
};

// How the sequences reach the world outside the record; tests replace parts.
struct ShareEnvironment {
    std::wstring programDir;
    // Lets other machines reach the port; tests leave the firewall alone.
    std::function<void(std::int32_t port)> allowPort = platform::allowInboundPort;
    // Runs htpasswd; tests stand in for it.
    platform::ProgramRunner runProgram = platform::runProgram;
    std::function<bool(std::int32_t port)> portAnswers = platform::loopbackPortAnswers;
    // Starts the web server as the program's child; nullptr and a reason when it cannot.
    std::function<std::unique_ptr<platform::ServerProcess>(const platform::ServerLaunch&, std::string& error)>
        startServer = platform::ServerProcess::start;
    // How long an old server may take to free the port, and a new one to answer.
    std::chrono::milliseconds serverWait{5000};
};

// Stores the entries, saves them, refuses unusable values, renders the
// configuration, creates the password file and starts the web server (ending
// a leftover one of ours first), checks that it answers, starts the stills.
// It fails whole (nothing left running) or succeeds whole, with a warning
// for what is degraded: the pid file unwritten, stills not begun, folders
// that could not be read.
ShareOutcome startShare(ShareService& service, const DialogEntries& entries, const ShareEnvironment& environment);

// Ends the stills' workers and the web server this program started, through
// the process it holds; runs whether or not Start ran.
ShareOutcome stopShare(ShareService& service, const ShareEnvironment& environment);

// Stop, then close the window (which ends the program).
ShareOutcome exitShare(ShareService& service, const ShareEnvironment& environment);

// At start-up: ends a server of this server directory that an earlier run
// left behind (found through its pid file and its own command line). Returns
// a message for the user when there was one, nullopt otherwise.
std::optional<std::string> endLeftoverServer(const ShareEnvironment& environment, const ShareService& service);
