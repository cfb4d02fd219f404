#pragma once
// A program that listens on 127.0.0.1 but never accepts: once its queue of
// waiting connections is full, the system drops every new connection attempt
// silently, and a connect without a bound waits for minutes.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

// Listens with the shortest queue and fills it with connections of its own.
class StalledListener {
public:
    StalledListener() {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = loopbackAddress(0);
        socklen_t length = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 0) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
        for (int i = 0; i < 4; ++i) fillers_.push_back(startConnecting());
    }
    ~StalledListener() {
        for (const int filler : fillers_) close(filler);
        close(listener_);
    }
    StalledListener(const StalledListener&) = delete;
    StalledListener& operator=(const StalledListener&) = delete;

    std::uint16_t port() const { return port_; }

    // Whether a new connection still waits after a while: the queue is full.
    bool stalls() const {
        const int probe = startConnecting();
        pollfd watched{probe, POLLOUT, 0};
        const bool waiting = poll(&watched, 1, 300) == 0;
        close(probe);
        return waiting;
    }

private:
    static sockaddr_in loopbackAddress(std::uint16_t port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return address;
    }

    int startConnecting() const {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        const sockaddr_in address = loopbackAddress(port_);
        connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        return fd;
    }

    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::vector<int> fillers_;
};
