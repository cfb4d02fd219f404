#include "platform/server_process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace platform {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(20);

// Runs in the child between fork and exec, so only async-signal-safe calls.
// The parent-death signal is set first; a parent that ended before that is
// seen through getppid() afterwards. The child leads its own process group,
// so that killing the group also ends nginx's workers.
[[noreturn]] void execChild(pid_t parent, const char* program, char* const* arguments, const char* directory,
                            int errorPipe) {
    sigset_t signals;
    sigemptyset(&signals);
    sigprocmask(SIG_SETMASK, &signals, nullptr);
    for (int signal = 1; signal < NSIG; ++signal) std::signal(signal, SIG_DFL);
    if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != parent) _exit(127);
    setpgid(0, 0);
    const int nothing = open("/dev/null", O_RDONLY);
    if (nothing >= 0) dup2(nothing, 0);
    if (chdir(directory) == 0) {
        close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
        fcntl(errorPipe, F_SETFD, FD_CLOEXEC);
        execv(program, arguments);
    }
    const int error = errno;
    [[maybe_unused]] const auto written = write(errorPipe, &error, sizeof error);
    _exit(127);
}

// Whether `pid` ended within `timeout`; reaps it when it did.
bool reapedWithin(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kPollInterval);
    }
}

}  // namespace

std::unique_ptr<ServerProcess> ServerProcess::start(const ServerLaunch& launch, std::string& error) {
    const std::string program = launch.program.string();
    const std::string directory = launch.workingDirectory.string();
    std::vector<std::string> words{program};
    words.insert(words.end(), launch.arguments.begin(), launch.arguments.end());
    std::vector<char*> arguments;
    for (auto& word : words) arguments.push_back(word.data());
    arguments.push_back(nullptr);

    int errorPipe[2];
    if (pipe2(errorPipe, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child == 0) execChild(parent, program.c_str(), arguments.data(), directory.c_str(), errorPipe[1]);
    close(errorPipe[1]);
    if (child < 0) {
        error = std::strerror(errno);
        close(errorPipe[0]);
        return nullptr;
    }
    int childError = 0;
    ssize_t got;
    while ((got = read(errorPipe[0], &childError, sizeof childError)) < 0 && errno == EINTR) {}
    close(errorPipe[0]);
    if (got > 0) {
        reapedWithin(child, std::chrono::seconds(5));
        error = program + "：" + std::strerror(childError);
        return nullptr;
    }
    std::unique_ptr<ServerProcess> server(new ServerProcess);
    server->m_id = child;
    server->m_ended = false;
    return server;
}

ServerProcess::~ServerProcess() {
    ServerProcess::stop();
}

// SIGTERM is nginx's fast shutdown: the master ends its workers and then
// itself. Whatever of the group is left after the grace time is killed.
void ServerProcess::stop() {
    if (m_ended) return;
    m_ended = true;
    const auto pid = static_cast<pid_t>(m_id);
    if (!m_exited) kill(pid, SIGTERM);
    const bool ended = m_exited || reapedWithin(pid, kServerStopGrace);
    kill(-pid, SIGKILL);
    if (!ended) reapedWithin(pid, kServerStopGrace);
}

// A reaped process's id may be given to another process, so once it has been
// reaped it is never signalled again; its process group, which keeps the id
// from reuse while any of its processes lives, still is.
bool ServerProcess::running() {
    if (m_ended || m_exited) return false;
    int status = 0;
    const pid_t done = waitpid(static_cast<pid_t>(m_id), &status, WNOHANG);
    m_exited = done == static_cast<pid_t>(m_id) || (done < 0 && errno == ECHILD);
    return !m_exited;
}

bool ServerProcess::reload() {
    return running() && kill(static_cast<pid_t>(m_id), SIGHUP) == 0;
}

// A folder of root's own keeps root; nginx needs names, so an owner without
// one leaves nginx's default unprivileged user.
std::string workerUserDirective(const std::filesystem::path& folder) {
    if (geteuid() != 0) return {};
    struct stat status {};
    if (stat(folder.c_str(), &status) != 0) return {};
    const passwd* user = getpwuid(status.st_uid);
    const group* userGroup = getgrgid(status.st_gid);
    if (user == nullptr || userGroup == nullptr) return {};
    return std::string("user ") + user->pw_name + " " + userGroup->gr_name + ";";
}

std::optional<std::string> folderOwnerWithoutAccount(const std::filesystem::path& folder) {
    if (geteuid() != 0) return std::nullopt;
    struct stat status {};
    if (stat(folder.c_str(), &status) != 0) return std::nullopt;
    if (getpwuid(status.st_uid) != nullptr && getgrgid(status.st_gid) != nullptr) return std::nullopt;
    return std::to_string(status.st_uid) + ":" + std::to_string(status.st_gid);
}

bool giveToFolderOwner(const std::filesystem::path& file, const std::filesystem::path& folder) {
    if (workerUserDirective(folder).empty()) return true;
    struct stat status {};
    return stat(folder.c_str(), &status) == 0 && chown(file.c_str(), status.st_uid, status.st_gid) == 0;
}

// A process that ended but that no one has reaped yet (its parent gone, and
// a process 1 that does not reap) is no longer alive.
bool processAlive(long id) {
    if (id <= 0 || (kill(static_cast<pid_t>(id), 0) != 0 && errno != EPERM)) return false;
    std::ifstream stat("/proc/" + std::to_string(id) + "/stat");
    std::string line;
    std::getline(stat, line);
    const std::size_t nameEnd = line.rfind(')');
    return nameEnd == std::string::npos || line.compare(nameEnd, 3, ") Z") != 0;
}

}  // namespace platform
