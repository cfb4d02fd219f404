#include "platform/loopback_port.h"

// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
// clang-format on

namespace platform {

std::uint16_t freeLoopbackPort() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 0;
    std::uint16_t port = 0;
    const SOCKET socketHandle = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socketHandle != INVALID_SOCKET) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof address;
        if (bind(socketHandle, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            getsockname(socketHandle, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            port = ntohs(address.sin_port);
        }
        closesocket(socketHandle);
    }
    WSACleanup();
    return port;
}

}  // namespace platform
