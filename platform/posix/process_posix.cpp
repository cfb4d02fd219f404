#include "platform/process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {
namespace {

// The shell gets a clean signal state, `standardInput` as its standard
// input, and no descriptor of ours but the standard three: a server it
// starts in the background lives on after the program, and must not keep
// the program's files, sockets or locks open.
struct SpawnSetup {
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t fileActions;

    explicit SpawnSetup(int standardInput) {
        posix_spawnattr_init(&attributes);
        sigset_t signals;
        sigemptyset(&signals);
        posix_spawnattr_setsigmask(&attributes, &signals);
        sigfillset(&signals);
        posix_spawnattr_setsigdefault(&attributes, &signals);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        posix_spawn_file_actions_init(&fileActions);
        posix_spawn_file_actions_adddup2(&fileActions, standardInput, 0);
        posix_spawn_file_actions_addclosefrom_np(&fileActions, 3);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&fileActions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

// Hands the whole line to the shell through its standard input and closes
// it, so the shell reads the line and then end of input. send() with
// MSG_NOSIGNAL: a shell that ended early must not take the program down
// with SIGPIPE.
void sendLine(int socket, const std::string& line) {
    std::size_t sent = 0;
    while (sent < line.size()) {
        const ssize_t n = send(socket, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
    }
    close(socket);
}

void waitForEnd(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {}
}

}  // namespace

// The shell reads the line from its standard input rather than from its
// arguments: a line can carry a password, and every local user can read a
// process's arguments in the process list.
void runCommandInterpreter(const std::string& commandLine) {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return;
    SpawnSetup setup(ends[1]);
    char shellName[] = "sh";
    char* arguments[] = {shellName, nullptr};
    pid_t child = 0;
    const bool started = posix_spawn(&child, "/bin/sh", &setup.fileActions, &setup.attributes, arguments, environ) == 0;
    close(ends[1]);
    if (!started) {
        close(ends[0]);
        return;
    }
    sendLine(ends[0], commandLine + "\n");
    waitForEnd(child);
}

void runSystemCommand(const std::string& commandLine) {
    [[maybe_unused]] const int ignored = std::system(commandLine.c_str());
}

}  // namespace platform
