#include <gtest/gtest.h>

#include "share/access_addresses.h"

using platform::NetworkAdapter;

namespace {

NetworkAdapter adapter(std::uint32_t type, bool up, std::vector<std::array<std::uint8_t, 4>> ipv4) {
    NetworkAdapter result;
    result.interfaceType = type;
    result.up = up;
    result.ipv4 = std::move(ipv4);
    return result;
}

}  // namespace

TEST(AccessAddresses, OneEntryPerAddressOfWiredAndWirelessAdapters) {
    const std::vector<NetworkAdapter> adapters = {
        adapter(platform::kAdapterTypeEthernet, true, {{192, 168, 1, 10}}),
        adapter(platform::kAdapterTypeWireless, true, {{192, 168, 1, 23}, {10, 0, 0, 5}}),
    };
    EXPECT_EQ(accessAddresses(adapters, 8080, "\xE7\x94\xB5\xE5\xBD\xB1"),
              (std::vector<std::string>{"http://192.168.1.10:8080/\xE7\x94\xB5\xE5\xBD\xB1",
                                        "http://192.168.1.23:8080/\xE7\x94\xB5\xE5\xBD\xB1",
                                        "http://10.0.0.5:8080/\xE7\x94\xB5\xE5\xBD\xB1"}));
}

TEST(AccessAddresses, LeavesOutOtherTypesDownAdaptersAndUnusableAddresses) {
    const std::vector<NetworkAdapter> adapters = {
        adapter(platform::kAdapterTypeOther, true, {{192, 168, 5, 1}}),      // loopback, tunnel, bridge ...
        adapter(24, true, {{192, 168, 5, 2}}),                               // software loopback
        adapter(platform::kAdapterTypeEthernet, false, {{192, 168, 5, 3}}),  // cable out
        adapter(platform::kAdapterTypeEthernet, true, {{0, 0, 0, 0}, {127, 0, 0, 1}, {127, 0, 0, 2}}),
    };
    EXPECT_EQ(accessAddresses(adapters, 80, "a"), (std::vector<std::string>{"http://127.0.0.2:80/a"}));
}

TEST(AccessAddresses, KeepsDuplicatesAndInsertsValuesUnchanged) {
    const std::vector<NetworkAdapter> adapters = {
        adapter(platform::kAdapterTypeEthernet, true, {{10, 1, 2, 3}}),
        adapter(platform::kAdapterTypeWireless, true, {{10, 1, 2, 3}}),
    };
    EXPECT_EQ(accessAddresses(adapters, -1, "my films"),
              (std::vector<std::string>{"http://10.1.2.3:-1/my films", "http://10.1.2.3:-1/my films"}));
}

TEST(AccessAddresses, NothingQualifyingGivesNoEntries) {
    EXPECT_TRUE(accessAddresses({}, 8080, "a").empty());
    EXPECT_TRUE(accessAddresses({adapter(platform::kAdapterTypeEthernet, true, {})}, 8080, "a").empty());
}

TEST(AccessAddresses, ListLineStartsWithTheShortAddressAndGivesBackTheFullOne) {
    const std::string full = "http://192.168.1.10:8080/\xE7\x94\xB5\xE5\xBD\xB1";
    EXPECT_EQ(siteAddress(full), "http://192.168.1.10:8080/");
    EXPECT_EQ(siteAddress("http://10.0.0.5:80/a/b"), "http://10.0.0.5:80/");
    const std::string line = addressListLine(full);
    EXPECT_EQ(line, "http://192.168.1.10:8080/ \xE2\x86\x92 " + full);
    EXPECT_EQ(accessAddressOfLine(line), full);
    // A share name with the arrow in it still comes back whole.
    const std::string odd = "http://10.0.0.5:80/a \xE2\x86\x92 b";
    EXPECT_EQ(accessAddressOfLine(addressListLine(odd)), odd);
    EXPECT_EQ(accessAddressOfLine("http://10.0.0.9:8080/typed"), "http://10.0.0.9:8080/typed");
}
