#pragma once
// Letting other machines of the network reach a port of this one.
#include <cstdint>

namespace platform {

// Adds an inbound rule for TCP `port` to the system's firewall and waits for
// the tool to end. POSIX: ufw where it is on the search path, else
// firewall-cmd, else nothing; Windows: netsh. Without the rights to change
// the firewall the tool fails, quietly: the share runs either way.
void allowInboundPort(std::int32_t port);

}  // namespace platform
