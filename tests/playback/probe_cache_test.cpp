// A video is probed once while it stays as it was, and again once it changes.
#include "playback/probe_cache.h"

#include <gtest/gtest.h>

#include "tests/common/test_folder.h"

namespace {

TEST(ProbeCache, AVideoIsProbedAgainOnlyOnceItChanged) {
    int probes = 0;
    ProbeCache cache([&](const platform::RegularFileReader& file, const std::filesystem::path&) {
        ++probes;
        StreamFacts facts;
        facts.width = static_cast<int>(file.size());
        return ProbeResult{facts, {}};
    });
    const TestFolder folder("probe cache");
    writeFile(folder / "a.mp4", "1234");
    const auto first = std::filesystem::file_time_type::clock::now();
    const auto probe = [&](const std::string& name, auto modified) {
        const auto file = platform::RegularFileReader::open(folder / name);
        return cache.probe(*file, name, modified).facts->width;
    };

    EXPECT_EQ(probe("a.mp4", first), 4);
    EXPECT_EQ(probe("a.mp4", first), 4);
    EXPECT_EQ(probes, 1);
    EXPECT_EQ(probe("a.mp4", first + std::chrono::seconds(1)), 4);
    writeFile(folder / "a.mp4", "123456");
    EXPECT_EQ(probe("a.mp4", first + std::chrono::seconds(1)), 6);
    writeFile(folder / "b.mp4", "12");
    EXPECT_EQ(probe("b.mp4", first), 2);
    EXPECT_EQ(probes, 4);
}

}  // namespace
