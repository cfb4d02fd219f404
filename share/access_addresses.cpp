#include "share/access_addresses.h"

namespace {

const std::string kLeadsTo = " \xE2\x86\x92 ";  // " → " in UTF-8

bool servesTheNetwork(const platform::NetworkAdapter& adapter) {
    const bool wiredOrWireless = adapter.interfaceType == platform::kAdapterTypeEthernet ||
                                 adapter.interfaceType == platform::kAdapterTypeWireless;
    return wiredOrWireless && adapter.up;
}

std::string dottedQuad(const std::array<std::uint8_t, 4>& bytes) {
    return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." + std::to_string(bytes[2]) + "." +
           std::to_string(bytes[3]);
}

}  // namespace

std::vector<std::string> accessAddresses(const std::vector<platform::NetworkAdapter>& adapters, std::int32_t port,
                                         const std::string& shareName) {
    std::vector<std::string> entries;
    for (const auto& adapter : adapters) {
        if (!servesTheNetwork(adapter)) continue;
        for (const auto& bytes : adapter.ipv4) {
            const auto address = dottedQuad(bytes);
            if (address == "0.0.0.0" || address == "127.0.0.1") continue;
            entries.push_back("http://" + address + ":" + std::to_string(port) + "/" + shareName);
        }
    }
    return entries;
}

std::string siteAddress(const std::string& accessAddress) {
    const auto hostStart = accessAddress.find("://");
    const auto pathStart = accessAddress.find('/', hostStart == std::string::npos ? 0 : hostStart + 3);
    return pathStart == std::string::npos ? accessAddress + "/" : accessAddress.substr(0, pathStart + 1);
}

std::string addressListLine(const std::string& accessAddress) {
    return siteAddress(accessAddress) + kLeadsTo + accessAddress;
}

std::string accessAddressOfLine(const std::string& line) {
    const auto arrow = line.find(kLeadsTo);
    return arrow == std::string::npos ? line : line.substr(arrow + kLeadsTo.size());
}
