#include "platform/loopback_probe.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

bool loopbackPortAnswers(std::int32_t port) {
    if (port < 1 || port > 65535) return false;
    const int socketFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socketFd < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected = connect(socketFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(socketFd);
    return connected;
}

}  // namespace platform
