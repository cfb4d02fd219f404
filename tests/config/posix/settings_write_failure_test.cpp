// A save whose write fails part way: here the file-size limit stops the
// temporary file at 1 KB, as a full disk would, for root as for anyone.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>

#include "config/install_paths.h"
#include "config/settings_file.h"
#include "config/text_conversion.h"
#include "tests/common/test_folder.h"

namespace fs = std::filesystem;

namespace {

// In a child process, so that the limit stays there: a write past 1 KB fails
// with EFBIG instead of raising SIGXFSZ. Prints why the save failed and ends
// with 0 if it did fail.
[[noreturn]] void saveWithinOneKilobyte(const ShareSettings& settings, const fs::path& file) {
    const rlimit limit{1024, 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_IGN);
    const SaveResult result = saveSettings(settings, file);
    std::fputs(result.message.c_str(), stderr);
    std::_Exit(result.ok ? 1 : 0);
}

TEST(SettingsWriteFailureDeathTest, KeepsTheOldFileAndLeavesNoTemporaryFile) {
    const TestFolder folder("设置");
    const fs::path settingsFile = folder.path() / "vomra.data";
    const std::string old = "{\n    \"DF\": \"/srv/old\"\n}";
    writeFile(settingsFile, old);
    const ShareSettings settings = {"/srv/电影", "movies", "guest", std::string(8192, 'x'), 8080, 5};

    EXPECT_EXIT(saveWithinOneKilobyte(settings, settingsFile), testing::ExitedWithCode(0),
                "无法把设置保存到 .*：写入失败$");
    EXPECT_EQ(readFile(settingsFile), old);
    EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(folder.path()), fs::directory_iterator()),
              std::vector<fs::path>{settingsFile})
        << "no temporary file left";
}

}  // namespace
