#pragma once
// Whether something accepts TCP connections on a port of 127.0.0.1.
#include <cstdint>

namespace platform {

// How long one probe waits for its connection to be accepted.
inline constexpr int kLoopbackProbeTimeoutMs = 500;

// Connects to 127.0.0.1:port and closes the connection again. False for a
// port outside 1..65535, a refused connection, one not accepted within
// kLoopbackProbeTimeoutMs (a program that listens but never accepts) or any
// other failure.
bool loopbackPortAnswers(std::int32_t port);

}  // namespace platform
