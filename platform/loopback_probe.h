#pragma once
// Whether something accepts TCP connections on a port of 127.0.0.1.
#include <cstdint>

namespace platform {

// Connects to 127.0.0.1:port and closes the connection again. False for a
// port outside 1..65535, a refused connection or any other failure.
bool loopbackPortAnswers(std::int32_t port);

}  // namespace platform
