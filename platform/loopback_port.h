#pragma once
// A TCP port of 127.0.0.1 that nothing listens on, for servers started in tests.
#include <cstdint>

namespace platform {

// Binds a socket to 127.0.0.1 port 0, reads the port the system chose and
// closes the socket again; 0 when that fails.
std::uint16_t freeLoopbackPort();

}  // namespace platform
