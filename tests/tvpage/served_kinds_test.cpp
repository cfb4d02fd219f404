// The video kinds the TV page is served (its script as the build's server
// directory holds it) against the program's: the page must take for a video,
// and look for the still of, exactly what the program renders stills of.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "res/video_kinds.h"
#include "thumbs/video_discovery.h"

namespace {

nlohmann::json servedKinds() {
    std::ifstream file(VOMRA_BINARY_DIR "/vomrixserver/server/tvpage/tv.js", std::ios::binary);
    const std::string script{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const std::string marker = "var KINDS = ";
    const std::size_t start = script.find(marker);
    if (start == std::string::npos) return {};
    const std::size_t value = start + marker.size();
    return nlohmann::json::parse(script.substr(value, script.find(";\n", value) - value), nullptr, false);
}

TEST(ServedKinds, AreTheProgramsVideoKindsAndStillNames) {
    const nlohmann::json kinds = servedKinds();
    ASSERT_TRUE(kinds.is_object()) << "the served tv.js holds no KINDS";
    const auto& extensions = videoExtensions();
    EXPECT_EQ(kinds.value("videoExtensions", std::vector<std::string>{}),
              std::vector<std::string>(extensions.begin(), extensions.end()));
    EXPECT_EQ(kinds.value("stillFolder", ""), video_kinds::kStillFolder);
    EXPECT_EQ(kinds.value("stillExtension", ""), video_kinds::kStillExtension);
}

}  // namespace
