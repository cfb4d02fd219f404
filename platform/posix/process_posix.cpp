#include "platform/process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace platform {
namespace {

// The shell gets a clean signal state and no descriptor of ours but the
// standard three: a server it starts in the background lives on after the
// program, and must not keep the program's files, sockets or locks open.
struct SpawnSetup {
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t fileActions;

    SpawnSetup() {
        posix_spawnattr_init(&attributes);
        sigset_t signals;
        sigemptyset(&signals);
        posix_spawnattr_setsigmask(&attributes, &signals);
        sigfillset(&signals);
        posix_spawnattr_setsigdefault(&attributes, &signals);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        posix_spawn_file_actions_init(&fileActions);
        posix_spawn_file_actions_addclosefrom_np(&fileActions, 3);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&fileActions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

void waitForEnd(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

void runCommandInterpreter(const std::string& commandLine) {
    SpawnSetup setup;
    char shellName[] = "sh";
    char commandOption[] = "-c";
    std::string line = commandLine;
    char* arguments[] = {shellName, commandOption, line.data(), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, "/bin/sh", &setup.fileActions, &setup.attributes, arguments, environ) == 0) {
        waitForEnd(child);
    }
}

void runSystemCommand(const std::string& commandLine) {
    [[maybe_unused]] const int ignored = std::system(commandLine.c_str());
}

}  // namespace platform
