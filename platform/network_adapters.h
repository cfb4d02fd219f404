#pragma once
// The machine's network adapters and their IPv4 addresses.
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace platform {

inline constexpr std::uint32_t kAdapterTypeEthernet = 6;
inline constexpr std::uint32_t kAdapterTypeWireless = 71;
inline constexpr std::uint32_t kAdapterTypeOther = 1;

struct NetworkAdapter {
    std::uint32_t interfaceType = kAdapterTypeOther;  // 6 wired, 71 wireless, else other
    bool up = false;
    std::vector<std::array<std::uint8_t, 4>> ipv4;  // network byte order, in adapter order
};

// The adapters in the order the system lists them; nullopt when the query failed.
std::optional<std::vector<NetworkAdapter>> queryNetworkAdapters();

}  // namespace platform
