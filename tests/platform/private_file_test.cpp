#include "platform/private_file.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

#include "platform/paths.h"

namespace fs = std::filesystem;

namespace {

const bool kPosix = platform::kPathSeparator == L'/';

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class PrivateFile : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / "vomra-private-file-test";
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }
    fs::path folder_;
};

TEST_F(PrivateFile, CreatesAnEmptyOwnerOnlyFile) {
    const fs::path file = folder_ / "secret";
    std::ofstream(file) << "old content";
    if (kPosix) fs::permissions(file, fs::perms::all);

    ASSERT_FALSE(platform::createPrivateFile(file));
    EXPECT_EQ(fs::file_size(file), 0u);
    if (kPosix) {
        EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    }
}

TEST_F(PrivateFile, RefusesADirectoryAndASymbolicLink) {
    EXPECT_TRUE(platform::createPrivateFile(folder_));
    if (!kPosix) return;
    const fs::path target = folder_ / "target";
    std::ofstream(target) << "keep";
    fs::create_symlink(target, folder_ / "link");
    EXPECT_TRUE(platform::createPrivateFile(folder_ / "link"));
    EXPECT_EQ(readBytes(target), "keep");
}

TEST_F(PrivateFile, ReplaceSwapsInTheNewFile) {
    std::ofstream(folder_ / "new") << "new";
    std::ofstream(folder_ / "old") << "old";
    ASSERT_FALSE(platform::replaceFileDurably(folder_ / "new", folder_ / "old"));
    EXPECT_EQ(readBytes(folder_ / "old"), "new");
    EXPECT_FALSE(fs::exists(folder_ / "new"));
}

TEST_F(PrivateFile, FailedReplaceReportsAndKeepsBoth) {
    std::ofstream(folder_ / "new") << "new";
    fs::create_directories(folder_ / "busy" / "inside");
    EXPECT_TRUE(platform::replaceFileDurably(folder_ / "new", folder_ / "busy"));
    EXPECT_EQ(readBytes(folder_ / "new"), "new");
    EXPECT_TRUE(fs::is_directory(folder_ / "busy" / "inside"));
    EXPECT_TRUE(platform::replaceFileDurably(folder_ / "missing", folder_ / "other"));
}

}  // namespace
