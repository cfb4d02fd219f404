#include "platform/paths.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

TEST(Paths, ExecutablePathIsThisTestProgram) {
    const fs::path self(platform::executablePath());
    ASSERT_TRUE(fs::is_regular_file(self));
    EXPECT_EQ(self.stem(), "platform_tests");
    EXPECT_TRUE(fs::equivalent(self.parent_path(), fs::path(VOMRA_BINARY_DIR) / "tests"));
}

TEST(Paths, Utf8PathNamesTheFileInUtf8) {
    const fs::path folder = fs::temp_directory_path() / "vomra-paths-test";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string name = "\xE7\x94\xB5\xE5\xBD\xB1.txt";  // 电影.txt
    std::ofstream(platform::pathFromUtf8(folder.string() + "/" + name)) << "x";

    const fs::path created = fs::directory_iterator(folder)->path();
    const std::u8string createdName = created.filename().u8string();
    EXPECT_EQ(std::string(createdName.begin(), createdName.end()), name);
    fs::remove_all(folder);
}

}  // namespace
