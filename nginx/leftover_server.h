#pragma once
// A server of this server directory that an earlier run of the program left
// running (earlier versions ran nginx as a daemon of its own), found through
// the pid file it keeps in the server directory.
#include "config/install_paths.h"

// Ends that server: on POSIX with nginx's graceful quit (SIGQUIT), and by
// force when it is still there a second later; on Windows through nginx's
// own quit request ("-s quit"). A pid file can outlive its server, and its
// number name an unrelated process by now: on POSIX no signal goes out
// before the process's title shows it to be the master of this server
// directory, started with "-p <serverDirectory>/". Returns true when a
// process named by the pid file was running and has ended.
bool stopLeftoverServer(const InstallPaths& paths);
