#include "platform/posix/program_spawn_posix.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {
namespace {

// The child gets a clean signal state, `standardInput` as its standard
// input, and no descriptor of ours but the standard three: a server it
// starts lives on after the program, and must not keep the program's files,
// sockets or locks open.
struct SpawnSetup {
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t fileActions;

    SpawnSetup(int standardInput, ChildOutput output) {
        posix_spawnattr_init(&attributes);
        sigset_t signals;
        sigemptyset(&signals);
        posix_spawnattr_setsigmask(&attributes, &signals);
        sigfillset(&signals);
        posix_spawnattr_setsigdefault(&attributes, &signals);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        posix_spawn_file_actions_init(&fileActions);
        posix_spawn_file_actions_adddup2(&fileActions, standardInput, 0);
        if (output == ChildOutput::Discarded) {
            posix_spawn_file_actions_addopen(&fileActions, 1, "/dev/null", O_WRONLY, 0);
            posix_spawn_file_actions_adddup2(&fileActions, 1, 2);
        }
        posix_spawn_file_actions_addclosefrom_np(&fileActions, 3);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&fileActions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

// Writes all of `text` and closes the socket, so the child reads it and then
// the end of its input. send() with MSG_NOSIGNAL: a child that ended without
// reading must not take the program down with SIGPIPE.
void sendAndClose(int socket, const std::string& text) {
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = send(socket, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
    }
    close(socket);
}

}  // namespace

// The standard input is one end of a socket pair rather than a pipe: only
// send() can refuse to raise SIGPIPE. A program reads either alike.
pid_t startProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                   const std::string& standardInput, ChildOutput output) {
    std::vector<std::string> words{program.native()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return -1;
    const SpawnSetup setup(ends[1], output);
    pid_t child = -1;
    // A bare name goes through the search path, as a shell would look it up.
    const auto spawn = program.native().find('/') == std::string::npos ? posix_spawnp : posix_spawn;
    const bool started =
        spawn(&child, program.c_str(), &setup.fileActions, &setup.attributes, argv.data(), environ) == 0;
    close(ends[1]);
    if (!started) {
        close(ends[0]);
        return -1;
    }
    sendAndClose(ends[0], standardInput);
    return child;
}

int waitForExit(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

}  // namespace platform
