#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "config/install_paths.h"
#include "config/settings_file.h"
#include "json_error.h"
#include "platform/paths.h"

namespace fs = std::filesystem;

namespace {

const bool kWindows = platform::kPathSeparator == L'\\';
// Text-mode streams end lines with CR LF on Windows and LF elsewhere.
const std::string kLineEnd = kWindows ? "\r\n" : "\n";

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A private folder for each test, with a Chinese name so that every path
// goes through the UTF-8 conversions; removed afterwards.
class SettingsFile : public testing::Test {
protected:
    void SetUp() override {
        const auto tag = std::to_string(std::random_device{}());
        folder_ = fs::temp_directory_path() / fs::path(u8"vomra-设置-" + std::u8string(tag.begin(), tag.end()));
        fs::create_directories(folder_);
        file_ = folder_ / "vomra.data";
        settings_ = {"D:\\Share", "movies", "guest", "", 8080, 5};
    }
    void TearDown() override { fs::remove_all(folder_); }

    // Fresh settings loaded from the settings file.
    ShareSettings load() const {
        ShareSettings loaded;
        loadSettings(loaded, file_);
        return loaded;
    }
    SaveResult save() const { return saveSettings(settings_, file_); }
    fs::path settingsFile() const { return file_; }
    fs::path temporaryFile() const { return fs::path(settingsFile()) += ".tmp"; }
    std::vector<fs::path> folderEntries() const { return {fs::directory_iterator(folder_), fs::directory_iterator()}; }

    fs::path folder_;
    fs::path file_;
    ShareSettings settings_;
};

TEST_F(SettingsFile, SavedBytesAreExact) {
    ASSERT_TRUE(save().ok);
    const std::string expected = "{" + kLineEnd + "    \"DF\": \"D:\\\\Share\"," + kLineEnd + "    \"m\": 5," +
                                 kLineEnd + "    \"name\": \"movies\"," + kLineEnd + "    \"pass\": \"\"," + kLineEnd +
                                 "    \"port\": 8080," + kLineEnd + "    \"user\": \"guest\"" + kLineEnd + "}";
    EXPECT_EQ(readBytes(settingsFile()), expected);
    EXPECT_EQ(folderEntries(), std::vector<fs::path>{settingsFile()}) << "no temporary file left";
}

TEST_F(SettingsFile, OnlyTheOwnerMayReadIt) {
    if (kWindows) GTEST_SKIP() << "Windows files follow their folder's permissions";
    writeBytes(settingsFile(), "old");
    fs::permissions(settingsFile(), fs::perms::all);
    ASSERT_TRUE(save().ok);
    EXPECT_EQ(fs::status(settingsFile()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(SettingsFile, SaveThenLoadRestoresEverySetting) {
    writeBytes(settingsFile(), "{\"DF\": \"an older, longer file that must go entirely\"}");
    settings_ = {"E:\\电影", "中文 名", "用户", "密码 \"x\"", 65535, -3};
    ASSERT_TRUE(save().ok);

    const ShareSettings loaded = load();
    EXPECT_EQ(loaded.sharedFolder, "E:\\电影");
    EXPECT_EQ(loaded.shareName, "中文 名");
    EXPECT_EQ(loaded.userName, "用户");
    EXPECT_EQ(loaded.password, "密码 \"x\"");
    EXPECT_EQ(loaded.port, 65535);
    EXPECT_EQ(loaded.screenshotSeconds, -3);
}

TEST_F(SettingsFile, LoadsCrLfAndLfFiles) {
    for (const char* lineEnd : {"\r\n", "\n"}) {
        writeBytes(settingsFile(), std::string("{") + lineEnd + "\"DF\": \"F:\\\\视频\"," + lineEnd +
                                       "\"m\": 3, \"name\": \"n\", \"pass\": \"p\", \"port\": 81," + lineEnd +
                                       "\"user\": \"u\"" + lineEnd + "}" + lineEnd);
        const ShareSettings loaded = load();
        EXPECT_EQ(loaded.sharedFolder, "F:\\视频");
        EXPECT_EQ(loaded.userName, "u");
        EXPECT_EQ(loaded.port, 81);
    }
}

TEST_F(SettingsFile, MissingOrEmptyFileRaises101) {
    expectJsonError<ParseError>([&] { load(); }, 101);
    writeBytes(settingsFile(), "");
    expectJsonError<ParseError>([&] { load(); }, 101);
}

// Only a regular file is read; anything else under its name is named in
// the message, unlike a missing file, which is a first start.
TEST_F(SettingsFile, AFolderUnderItsNameIsRefusedAsNoRegularFile) {
    fs::create_directory(settingsFile());
    try {
        load();
        ADD_FAILURE() << "a folder was loaded as settings";
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find("不是普通文件"), std::string::npos) << error.what();
    }
}

TEST_F(SettingsFile, FolderThatIsAFileFailsCleanly) {
    writeBytes(folder_ / "not-a-folder", "x");
    file_ = folder_ / "not-a-folder" / "vomra.data";
    const SaveResult result = save();
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find(platform::utf8FromPath(file_)), std::string::npos) << result.message;
    EXPECT_NE(result.message.find("无法把设置保存到"), std::string::npos) << result.message;
    EXPECT_EQ(readBytes(folder_ / "not-a-folder"), "x");
}

TEST_F(SettingsFile, BlockedTemporaryFileKeepsTheOldSettings) {
    writeBytes(settingsFile(), "old settings");
    fs::create_directory(temporaryFile());
    writeBytes(temporaryFile() / "inside", "keep");

    const SaveResult result = save();
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.message.empty());
    EXPECT_EQ(readBytes(settingsFile()), "old settings");
    EXPECT_EQ(readBytes(temporaryFile() / "inside"), "keep") << "someone else's folder is left alone";
}

TEST_F(SettingsFile, FailedReplaceLeavesNoTemporaryFile) {
    fs::create_directory(settingsFile());
    writeBytes(settingsFile() / "inside", "keep");

    const SaveResult result = save();
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(fs::exists(temporaryFile()));
    EXPECT_EQ(readBytes(settingsFile() / "inside"), "keep");
}

TEST_F(SettingsFile, SaveAfterAFailureSucceeds) {
    fs::create_directory(temporaryFile());
    ASSERT_FALSE(save().ok);
    fs::remove(temporaryFile());
    ASSERT_TRUE(save().ok);
    EXPECT_EQ(folderEntries(), std::vector<fs::path>{settingsFile()});
}

TEST_F(SettingsFile, InvalidTextIsReportedAndTheOldFileKept) {
    writeBytes(settingsFile(), "old settings");
    settings_.userName = "\xC3";
    const SaveResult result = save();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(readBytes(settingsFile()), "old settings");
    EXPECT_EQ(folderEntries(), std::vector<fs::path>{settingsFile()});
}

}  // namespace
