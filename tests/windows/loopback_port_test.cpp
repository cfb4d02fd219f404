// The loopback port helpers through Winsock: a free port is one nothing
// listens on, and the probe tells a listening port from a closed one.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
// clang-format on
#include <gtest/gtest.h>

#include "platform/loopback_port.h"
#include "platform/loopback_probe.h"

namespace {

// A socket listening on 127.0.0.1:port for as long as it lives.
class Listener {
public:
    explicit Listener(std::uint16_t port) {
        WSADATA data;
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        listening_ = socket_ != INVALID_SOCKET &&
                     bind(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                     listen(socket_, 4) == 0;
    }
    ~Listener() {
        if (socket_ != INVALID_SOCKET) closesocket(socket_);
        if (started_) WSACleanup();
    }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    bool listening() const { return listening_; }

private:
    bool started_ = false;
    SOCKET socket_ = INVALID_SOCKET;
    bool listening_ = false;
};

TEST(LoopbackPort, AnswersWhileSomethingListensAndNotAfter) {
    const std::uint16_t port = platform::freeLoopbackPort();
    ASSERT_NE(port, 0);
    EXPECT_FALSE(platform::loopbackPortAnswers(port));
    {
        Listener listener(port);
        ASSERT_TRUE(listener.listening());
        EXPECT_TRUE(platform::loopbackPortAnswers(port));
    }
    EXPECT_FALSE(platform::loopbackPortAnswers(port));
}

}  // namespace
