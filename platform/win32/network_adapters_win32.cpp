#include "platform/network_adapters.h"

// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <iphlpapi.h>
// clang-format on

#include <cstring>

namespace platform {
namespace {

NetworkAdapter adapterRecord(const IP_ADAPTER_ADDRESSES& source) {
    NetworkAdapter adapter;
    adapter.interfaceType = source.IfType;
    adapter.up = source.OperStatus == IfOperStatusUp;
    for (const IP_ADAPTER_UNICAST_ADDRESS* unicast = source.FirstUnicastAddress; unicast != nullptr;
         unicast = unicast->Next) {
        const SOCKADDR* address = unicast->Address.lpSockaddr;
        if (address == nullptr || address->sa_family != AF_INET) continue;
        std::array<std::uint8_t, 4> bytes{};
        const auto* inet = reinterpret_cast<const sockaddr_in*>(address);
        std::memcpy(bytes.data(), &inet->sin_addr.S_un.S_addr, bytes.size());
        adapter.ipv4.push_back(bytes);
    }
    return adapter;
}

}  // namespace

// One size query, then one call with a zero-filled buffer of that size; no
// retry when the list grew in between.
std::optional<std::vector<NetworkAdapter>> queryNetworkAdapters() {
    const ULONG family = AF_INET;
    const ULONG flags = GAA_FLAG_INCLUDE_PREFIX;
    ULONG size = 0;
    GetAdaptersAddresses(family, flags, nullptr, nullptr, &size);

    std::vector<unsigned char> buffer(size, 0);
    auto* first = size == 0 ? nullptr : reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
    if (GetAdaptersAddresses(family, flags, nullptr, first, &size) != ERROR_SUCCESS) return std::nullopt;

    std::vector<NetworkAdapter> adapters;
    for (const IP_ADAPTER_ADDRESSES* adapter = first; adapter != nullptr; adapter = adapter->Next)
        adapters.push_back(adapterRecord(*adapter));
    return adapters;
}

}  // namespace platform
