#include <gtest/gtest.h>

#include "platform/loopback_probe.h"
#include "platform/network_adapters.h"

namespace {

bool holds(const platform::NetworkAdapter& adapter, std::array<std::uint8_t, 4> address) {
    for (const auto& held : adapter.ipv4)
        if (held == address) return true;
    return false;
}

}  // namespace

// The machine's adapters are whatever they are; what always holds is that
// the loopback interface is listed, up, and taken for neither wired nor wireless.
TEST(NetworkAdapters, ListsTheLoopbackUpAndNeitherWiredNorWireless) {
    const auto adapters = platform::queryNetworkAdapters();
    ASSERT_TRUE(adapters.has_value());
    int loopbacks = 0;
    for (const auto& adapter : *adapters) {
        if (!holds(adapter, {127, 0, 0, 1})) continue;
        ++loopbacks;
        EXPECT_NE(adapter.interfaceType, platform::kAdapterTypeEthernet);
        EXPECT_NE(adapter.interfaceType, platform::kAdapterTypeWireless);
        EXPECT_TRUE(adapter.up);
    }
    EXPECT_EQ(loopbacks, 1);
}

TEST(LoopbackProbe, NothingAnswersOnUnusablePorts) {
    EXPECT_FALSE(platform::loopbackPortAnswers(0));
    EXPECT_FALSE(platform::loopbackPortAnswers(-80));
    EXPECT_FALSE(platform::loopbackPortAnswers(65536));
}
