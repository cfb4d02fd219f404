#pragma once
// Every command line the program runs, as UTF-8 byte strings, in the dialect
// of the Windows command interpreter and of the POSIX shell. The program uses
// platform::kNativeShellDialect; tests check both.
#include <string>

#include "config/install_paths.h"
#include "config/share_settings.h"
#include "platform/process.h"

using platform::ShellDialect;

// Adds an inbound firewall rule for the port.
std::string firewallCommandLine(ShellDialect dialect, const ShareSettings& settings);
// Creates the password file anew with the one user.
std::string passwordCommandLine(ShellDialect dialect, const ShareSettings& settings, const InstallPaths& paths);
// Asks a server of this server directory that an earlier run left behind to
// quit (and on POSIX ends what is left of it). The running server is started
// and stopped through nginx/server_launch.h instead.
std::string serverStopCommandLine(ShellDialect dialect, const InstallPaths& paths);
// Opens a URL in the default browser; run through platform::runSystemCommand.
std::string browserCommandLine(ShellDialect dialect, const std::string& urlUtf8);
