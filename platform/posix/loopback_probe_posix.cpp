#include "platform/loopback_probe.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {
namespace {

// A program that listens but never accepts makes the system drop new
// connection attempts once its queue is full, and a plain connect() then
// waits for minutes; a non-blocking connect bounded by poll does not.
bool connectWithin(int socketFd, const sockaddr_in& address, int milliseconds) {
    if (connect(socketFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return true;
    if (errno != EINPROGRESS) return false;
    pollfd watched{socketFd, POLLOUT, 0};
    if (poll(&watched, 1, milliseconds) != 1) return false;
    int error = 0;
    socklen_t length = sizeof error;
    return getsockopt(socketFd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

}  // namespace

bool loopbackPortAnswers(std::int32_t port) {
    if (port < 1 || port > 65535) return false;
    const int socketFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (socketFd < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected = connectWithin(socketFd, address, kLoopbackProbeTimeoutMs);
    close(socketFd);
    return connected;
}

}  // namespace platform
