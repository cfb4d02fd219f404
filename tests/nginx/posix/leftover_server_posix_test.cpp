// A leftover server is found through its pid file and recognised by its
// title; stand-ins that show such titles, or none, take its place.
#include "nginx/leftover_server.h"

#include <chrono>
#include <gtest/gtest.h>

#include "tests/common/test_folder.h"
#include "tests/common/titled_process.h"

namespace {

using namespace std::chrono_literals;

class LeftoverServer : public ::testing::Test {
protected:
    LeftoverServer() { std::filesystem::create_directories(serverDir_ / "logs"); }

    // The title nginx shows for a master started with this prefix.
    std::string masterTitle(const std::string& prefix) const {
        return "nginx: master process " + utf8Of(serverDir_) + "/nginx -p " + prefix +
               " -c conf/nginx.conf -e logs/error.log";
    }
    std::string thisPrefix() const { return utf8Of(serverDir_) + "/"; }

    void writePidFile(const std::string& text) const { writeFile(serverDir_ / "logs" / "nginx.pid", text); }
    void namedInPidFile(const TitledProcess& process) const { writePidFile(std::to_string(process.pid()) + "\n"); }
    bool stop() const { return stopLeftoverServer(paths_); }

    TestFolder program_{"leftover 'q' \"d\" 程序"};
    InstallPaths paths_{program_.path()};
    std::filesystem::path serverDir_ = paths_.serverDir;
};

TEST_F(LeftoverServer, ThisDirectorysMasterIsAskedToQuit) {
    TitledProcess master(masterTitle(thisPrefix()));
    namedInPidFile(master);

    EXPECT_TRUE(stop());
    ASSERT_TRUE(master.endsWithin(1s));
    EXPECT_EQ(master.exitCode(), 128 + SIGQUIT);
}

// A master that does not end within a second is killed, and with it the
// process group it leads, where its workers are.
TEST_F(LeftoverServer, AMasterThatDoesNotQuitIsKilled) {
    TitledProcess master(masterTitle(thisPrefix()), {.ownProcessGroup = true, .ignoresQuit = true});
    namedInPidFile(master);

    const auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(stop());
    EXPECT_GE(std::chrono::steady_clock::now() - before, 900ms) << "the master was given no time to quit";
    ASSERT_TRUE(master.endsWithin(1s));
    EXPECT_EQ(master.exitCode(), 128 + SIGKILL);
}

// The test's own process group holds the test: a master that leads none is
// killed alone.
TEST_F(LeftoverServer, AMasterInAnotherProcessGroupIsKilledAlone) {
    TitledProcess master(masterTitle(thisPrefix()), {.ownProcessGroup = false, .ignoresQuit = true});
    namedInPidFile(master);

    EXPECT_TRUE(stop());
    ASSERT_TRUE(master.endsWithin(1s));
    EXPECT_EQ(master.exitCode(), 128 + SIGKILL);
}

// A pid file outlives its server; its number can name anything by now.
TEST_F(LeftoverServer, AnyOtherProcessIsLeftAlone) {
    for (const std::string& title :
         std::vector<std::string>{"sleep", masterTitle(thisPrefix() + "sub/"), masterTitle(utf8Of(serverDir_) + "x/"),
                                  masterTitle(utf8Of(serverDir_)), "nginx: worker process -p " + thisPrefix() + " x",
                                  "sleep -p " + thisPrefix() + " x"}) {
        SCOPED_TRACE(title);
        TitledProcess other(title);
        namedInPidFile(other);
        EXPECT_FALSE(stop());
        EXPECT_FALSE(other.endsWithin(0ms));
    }
}

TEST_F(LeftoverServer, APidFileWithoutAWholeNumberIsIgnored) {
    EXPECT_FALSE(stop()) << "no pid file";
    TitledProcess master(masterTitle(thisPrefix()));
    const std::string pid = std::to_string(master.pid());
    for (const std::string& text :
         std::vector<std::string>{"", "\n", "-1\n", "0\n", " " + pid + "\n", pid + " 2\n", "+" + pid + "\n",
                                  "99999999999999999999\n", "x" + pid + "\n"}) {
        writePidFile(text);
        EXPECT_FALSE(stop()) << text;
    }
    EXPECT_FALSE(master.endsWithin(0ms));
}

}  // namespace
