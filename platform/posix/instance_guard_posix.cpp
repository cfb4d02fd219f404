#include "platform/instance_guard.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/text_codec.h"

namespace platform {
namespace {

const char* nonEmptyVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

// Where the lock and the socket may live, best first: the session's runtime
// folder, a folder of the user's own in the temporary folder, and one in the
// home folder for when another user took that name first.
std::vector<std::string> candidateFolders() {
    std::vector<std::string> folders;
    if (const char* runtime = nonEmptyVariable("XDG_RUNTIME_DIR")) folders.emplace_back(runtime);
    const char* temporary = nonEmptyVariable("TMPDIR");
    folders.push_back(std::string(temporary != nullptr ? temporary : "/tmp") + "/vomra-" + std::to_string(::getuid()));
    if (const char* home = nonEmptyVariable("HOME")) folders.push_back(std::string(home) + "/.vomra");
    return folders;
}

// Only this user can add or replace a file in it: a folder itself (not a
// link to one), owned by this user and writable by no one else. A lock file
// another user could make first would let them keep the guard from working.
bool isPrivateFolder(const std::string& folder) {
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// The first candidate that is private to the user, made (mode 0700) where
// missing; empty when there is none.
std::string lockFolder() {
    for (const std::string& folder : candidateFolders()) {
        ::mkdir(folder.c_str(), 0700);  // fails harmlessly where it exists
        if (isPrivateFolder(folder)) return folder;
    }
    return {};
}

std::string lockFileIn(const std::string& folder, const std::wstring& name) {
    return folder + "/" + wideToUtf8(name) + ".lock";
}

// The socket's address in `folder`; false when the path is too long for one.
bool socketAddress(const std::string& folder, const std::wstring& name, sockaddr_un& address) {
    const std::string path = folder + "/" + wideToUtf8(name) + ".sock";
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Whether a process holds the lock file in `folder`; tried without making
// anything and released at once.
bool heldIn(const std::string& folder, const std::wstring& name) {
    const int fd = ::open(lockFileIn(folder, name).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

// A copy that started while another user held the temporary folder's name
// holds its lock in a later candidate; once that name is free again, a new
// copy takes its lock in the earlier folder and must still see the first copy.
bool heldInALaterFolder(const std::string& taken, const std::wstring& name) {
    const auto folders = candidateFolders();
    auto later = std::find(folders.begin(), folders.end(), taken);
    if (later == folders.end()) return false;
    return std::any_of(std::next(later), folders.end(),
                       [&](const std::string& folder) { return isPrivateFolder(folder) && heldIn(folder, name); });
}

// Accepts connections until the stop pipe is written to or closed; each
// connection that brings a byte is one request.
void acceptRequests(int listenFd, int stopFd, const std::function<void()>& onSignal) {
    for (;;) {
        pollfd watched[2] = {{listenFd, POLLIN, 0}, {stopFd, POLLIN, 0}};
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (watched[1].revents != 0) return;
        const int connection = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) continue;
        char byte = 0;
        const bool requested = ::recv(connection, &byte, 1, 0) == 1;
        ::close(connection);
        if (requested) onSignal();
    }
}

bool isRegularFile(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

// The descriptor is never closed: the lock lasts as long as the process and
// the system drops it when the process ends, however it ends. O_CLOEXEC keeps
// it out of the programs this one starts (the web server outlives us).
InstanceGuard acquireInstanceGuard(const std::wstring& name) {
    const std::string folder = lockFolder();
    if (folder.empty()) return InstanceGuard::Unavailable;
    const int fd = ::open(lockFileIn(folder, name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return InstanceGuard::Unavailable;
    if (!isRegularFile(fd)) {
        ::close(fd);
        return InstanceGuard::Unavailable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? InstanceGuard::AlreadyRunning : InstanceGuard::Unavailable;
    }
    if (!heldInALaterFolder(folder, name)) return InstanceGuard::First;
    ::close(fd);
    return InstanceGuard::AlreadyRunning;
}

// The holder listens in one of the candidate folders: the first private one
// with a socket that takes the request is it. Non-blocking, so a holder that
// stopped accepting cannot keep this copy waiting.
bool signalRunningInstance(const std::wstring& name) {
    const char request = 's';
    for (const std::string& folder : candidateFolders()) {
        sockaddr_un address;
        if (!isPrivateFolder(folder) || !socketAddress(folder, name, address)) continue;
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) return false;
        const bool sent = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                          ::send(fd, &request, 1, MSG_NOSIGNAL) == 1;
        ::close(fd);
        if (sent) return true;
    }
    return false;
}

struct InstanceSignalListener::State {
    std::string path;
    int listenFd = -1;
    int stopPipe[2] = {-1, -1};
    std::thread acceptor;
};

// Only the guard's holder listens, so a socket left at the path by a copy
// that died is stale and is replaced. The socket is private to the user.
InstanceSignalListener::InstanceSignalListener(const std::wstring& name, std::function<void()> onSignal)
    : m_state(std::make_unique<State>()) {
    sockaddr_un address;
    const std::string folder = lockFolder();
    if (folder.empty() || !socketAddress(folder, name, address) || ::pipe2(m_state->stopPipe, O_CLOEXEC) != 0) return;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    ::unlink(address.sun_path);
    const mode_t previousMask = ::umask(077);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::umask(previousMask);
    if (!bound || ::listen(fd, 4) != 0) {
        ::close(fd);
        return;
    }
    m_state->path = address.sun_path;
    m_state->listenFd = fd;
    m_state->acceptor = std::thread(acceptRequests, fd, m_state->stopPipe[0], std::move(onSignal));
}

InstanceSignalListener::~InstanceSignalListener() {
    if (m_state->stopPipe[1] >= 0) ::close(m_state->stopPipe[1]);
    if (m_state->acceptor.joinable()) m_state->acceptor.join();
    if (m_state->stopPipe[0] >= 0) ::close(m_state->stopPipe[0]);
    if (m_state->listenFd < 0) return;
    ::close(m_state->listenFd);
    ::unlink(m_state->path.c_str());
}

bool InstanceSignalListener::listening() const {
    return m_state->listenFd >= 0;
}

}  // namespace platform
