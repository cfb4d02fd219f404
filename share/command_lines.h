#pragma once
// Every command line the program runs, as UTF-8 byte strings, in the dialect
// of the Windows command interpreter and of the POSIX shell. The program uses
// platform::kNativeShellDialect; tests check both.
#include <string>

#include "config/share_service.h"
#include "platform/process.h"

using platform::ShellDialect;

// Adds an inbound firewall rule for the port.
std::string firewallCommandLine(ShellDialect dialect, const ShareService& service);
// Creates the password file anew with the one user.
std::string passwordCommandLine(ShellDialect dialect, const ShareService& service);
// Asks a server of this server directory that an earlier run left behind to
// quit (and on POSIX ends what is left of it). The running server is started
// and stopped through nginx/server_launch.h instead.
// programDirUtf8 is the UTF-8 form of programDirectory().
std::string serverStopCommandLine(ShellDialect dialect, const ShareService& service, const std::string& programDirUtf8);
// Opens a URL in the default browser; run through platform::runSystemCommand.
std::string browserCommandLine(ShellDialect dialect, const std::string& urlUtf8);
