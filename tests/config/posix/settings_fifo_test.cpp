// A FIFO under the settings file's name: opening it to read waits for a
// writer that never comes, and start-up with it.
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

#include "config/settings_file.h"
#include "tests/common/test_folder.h"

using namespace std::chrono_literals;

namespace {

// Why loading failed; empty when it did not.
std::string loadFailure(const std::filesystem::path& file) {
    try {
        ShareSettings settings;
        loadSettings(settings, file);
    } catch (const std::exception& error) {
        return error.what();
    }
    return "";
}

TEST(SettingsFileType, AFifoIsRefusedWithoutWaitingForAWriter) {
    const TestFolder folder("设置");
    const std::filesystem::path file = folder.path() / "vomra.data";
    const std::string fifo = file.string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    auto failure = std::async(std::launch::async, loadFailure, file);
    const bool returned = failure.wait_for(3s) == std::future_status::ready;
    // A writer that comes and goes ends a read that still waits.
    if (!returned) close(open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
    EXPECT_TRUE(returned) << "loading still waited after 3 s";
    const std::string message = failure.get();
    EXPECT_NE(message.find("不是普通文件"), std::string::npos) << message;
}

}  // namespace
