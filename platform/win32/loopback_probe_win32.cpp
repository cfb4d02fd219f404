#include "platform/loopback_probe.h"

// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
// clang-format on

namespace platform {
namespace {

// Windows retries a refused loopback connection for about two seconds, and a
// program that listens but never accepts may keep it waiting longer; a
// non-blocking connect bounded by select keeps one probe short.
bool connectWithin(SOCKET socketHandle, const sockaddr_in& address, long milliseconds) {
    u_long nonBlocking = 1;
    if (ioctlsocket(socketHandle, FIONBIO, &nonBlocking) != 0) return false;
    if (connect(socketHandle, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return true;
    if (WSAGetLastError() != WSAEWOULDBLOCK) return false;

    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(socketHandle, &writable);
    timeval timeout{milliseconds / 1000, (milliseconds % 1000) * 1000};
    if (select(0, nullptr, &writable, nullptr, &timeout) != 1) return false;
    int error = 0;
    int length = sizeof error;
    getsockopt(socketHandle, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
    return error == 0;
}

}  // namespace

bool loopbackPortAnswers(std::int32_t port) {
    if (port < 1 || port > 65535) return false;
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
    bool connected = false;
    const SOCKET socketHandle = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socketHandle != INVALID_SOCKET) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<u_short>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected = connectWithin(socketHandle, address, kLoopbackProbeTimeoutMs);
        closesocket(socketHandle);
    }
    WSACleanup();
    return connected;
}

}  // namespace platform
