#include "platform/instance_guard.h"

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

#include "platform/text_codec.h"

namespace platform {
namespace {

// "$XDG_RUNTIME_DIR/<name><suffix>", or "/tmp/<name>-<uid><suffix>" where
// the session has no runtime directory.
std::string runtimeFilePath(const std::wstring& name, const char* suffix) {
    const std::string base = wideToUtf8(name);
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    if (runtimeDir != nullptr && *runtimeDir != '\0') {
        return std::string(runtimeDir) + "/" + base + suffix;
    }
    return "/tmp/" + base + "-" + std::to_string(::getuid()) + suffix;
}

std::string lockFilePath(const std::wstring& name) {
    return runtimeFilePath(name, ".lock");
}

// The socket's address; false when the path is too long for one.
bool socketAddress(const std::wstring& name, sockaddr_un& address) {
    const std::string path = runtimeFilePath(name, ".sock");
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
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

// A lock file planted by another user (possible under /tmp) is not ours to
// trust: it could hold the lock forever and keep the program from starting.
bool ownedByThisUser(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::getuid();
}

}  // namespace

// The descriptor is never closed: the lock lasts as long as the process and
// the system drops it when the process ends, however it ends. O_CLOEXEC keeps
// it out of the programs this one starts (the web server outlives us).
InstanceGuard acquireInstanceGuard(const std::wstring& name) {
    const std::string path = lockFilePath(name);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return InstanceGuard::Unavailable;
    if (!ownedByThisUser(fd)) {
        ::close(fd);
        return InstanceGuard::Unavailable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return InstanceGuard::First;
    const int error = errno;
    ::close(fd);
    return error == EWOULDBLOCK ? InstanceGuard::AlreadyRunning : InstanceGuard::Unavailable;
}

bool signalRunningInstance(const std::wstring& name) {
    sockaddr_un address;
    if (!socketAddress(name, address)) return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const char request = 's';
    const bool sent = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                      ::send(fd, &request, 1, MSG_NOSIGNAL) == 1;
    ::close(fd);
    return sent;
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
    if (!socketAddress(name, address) || ::pipe2(m_state->stopPipe, O_CLOEXEC) != 0) return;
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
