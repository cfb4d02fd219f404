#include "platform/network_adapters.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace platform {
namespace {

const std::filesystem::path kSysClassNet = "/sys/class/net";

std::string firstLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

bool hasEntry(const std::filesystem::path& dir, const char* name) {
    std::error_code error;
    return std::filesystem::exists(dir / name, error);
}

// Wireless interfaces carry a `wireless` or `phy80211` entry. Wired ones are
// Ethernet (link type 1) backed by a real device; bridges, veth pairs, docker
// and tunnel interfaces have no `device` entry and count as other.
std::uint32_t interfaceType(const std::string& name) {
    const auto dir = kSysClassNet / name;
    if (hasEntry(dir, "wireless") || hasEntry(dir, "phy80211")) return kAdapterTypeWireless;
    if (hasEntry(dir, "device") && firstLine(dir / "type") == "1") return kAdapterTypeEthernet;
    return kAdapterTypeOther;
}

// Up means administratively up, with a carrier, and not reported down by the
// driver ("unknown" is what drivers without link detection report).
bool interfaceUp(const std::string& name, unsigned flags) {
    if (!(flags & IFF_UP) || !(flags & IFF_RUNNING)) return false;
    const auto state = firstLine(kSysClassNet / name / "operstate");
    return state == "up" || state == "unknown";
}

struct NamedAdapter {
    std::string name;
    NetworkAdapter adapter;
};

// An address given a label ("eth0:1") is listed under that label; it belongs
// to the interface before the colon.
NamedAdapter& adapterNamed(std::vector<NamedAdapter>& adapters, const ifaddrs& entry) {
    const std::string label = entry.ifa_name;
    const std::string name = label.substr(0, label.find(':'));
    for (auto& named : adapters)
        if (named.name == name) return named;
    NetworkAdapter adapter;
    adapter.interfaceType = interfaceType(name);
    adapter.up = interfaceUp(name, entry.ifa_flags);
    adapters.push_back({name, adapter});
    return adapters.back();
}

std::array<std::uint8_t, 4> ipv4Bytes(const sockaddr* address) {
    std::array<std::uint8_t, 4> bytes{};
    const auto* inet = reinterpret_cast<const sockaddr_in*>(address);
    std::memcpy(bytes.data(), &inet->sin_addr.s_addr, bytes.size());
    return bytes;
}

}  // namespace

std::optional<std::vector<NetworkAdapter>> queryNetworkAdapters() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return std::nullopt;

    std::vector<NamedAdapter> named;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        auto& adapter = adapterNamed(named, *entry).adapter;
        if (entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_INET)
            adapter.ipv4.push_back(ipv4Bytes(entry->ifa_addr));
    }
    freeifaddrs(list);

    std::vector<NetworkAdapter> adapters;
    for (auto& entry : named) adapters.push_back(std::move(entry.adapter));
    return adapters;
}

}  // namespace platform
