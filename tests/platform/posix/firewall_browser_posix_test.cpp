// The firewall tools and the browser, found through the search path: stand-ins
// on a search path of the test's own show what would run.
#include <chrono>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

#include "platform/browser.h"
#include "platform/firewall.h"
#include "tests/common/recording_script.h"
#include "tests/common/test_folder.h"
#include "tests/common/wait_for.h"

namespace {

using namespace std::chrono_literals;

// The search path holds the stand-ins' folder alone while the test runs, so
// that no real firewall tool can be reached.
class StandInPath : public ::testing::Test {
protected:
    void SetUp() override {
        const char* path = std::getenv("PATH");
        previousPath_ = path ? path : "";
        setenv("PATH", folder_.path().c_str(), 1);
    }
    void TearDown() override { setenv("PATH", previousPath_.c_str(), 1); }

    std::filesystem::path standIn(const std::string& name, const std::string& more = "") const {
        const std::filesystem::path path = folder_ / name;
        writeRecordingScript(path, 0, more);
        return path;
    }

    TestFolder folder_{"stand-in path"};
    std::string previousPath_;
};

TEST_F(StandInPath, FirewallUsesUfwWhereItIsOnThePath) {
    const auto ufw = standIn("ufw");
    const auto firewalld = standIn("firewall-cmd");
    platform::allowInboundPort(8080);
    EXPECT_EQ(recordedArguments(ufw), (std::vector<std::string>{"allow", "8080/tcp", "comment", "Nginx HTTP"}));
    EXPECT_FALSE(scriptRan(firewalld));
}

TEST_F(StandInPath, FirewallFallsBackToFirewalldAndOtherwiseDoesNothing) {
    platform::allowInboundPort(8080);  // neither tool: nothing runs, nothing fails
    const auto firewalld = standIn("firewall-cmd");
    platform::allowInboundPort(65535);
    EXPECT_EQ(recordedArguments(firewalld), std::vector<std::string>{"--add-port=65535/tcp"});
}

// The browser may take its time; the window does not wait for it, and it
// leaves no zombie behind once it has ended.
TEST_F(StandInPath, BrowserOpensTheAddressWithoutWaitingAndIsReaped) {
    const auto xdgOpen = standIn("xdg-open", "echo $$ > \"$0.pid\"; /bin/sleep 0.5");
    const auto before = std::chrono::steady_clock::now();
    platform::openInBrowser("http://192.168.1.10:8080/电影 x'y\"z");
    EXPECT_LT(std::chrono::steady_clock::now() - before, 300ms);
    ASSERT_TRUE(waitFor([&] { return scriptRan(xdgOpen); }, 5s));
    EXPECT_EQ(recordedArguments(xdgOpen), std::vector<std::string>{"http://192.168.1.10:8080/电影 x'y\"z"});
    std::string pid;
    ASSERT_TRUE(waitFor([&] { return (pid = readFile(folder_ / "xdg-open.pid")).ends_with('\n'); }, 5s));
    pid.pop_back();
    // An ended child that no one reaps stays in the process list as a zombie.
    EXPECT_TRUE(waitFor([&] { return !std::filesystem::exists("/proc/" + pid); }, 5s))
        << "the browser's process was not reaped";
}

}  // namespace
