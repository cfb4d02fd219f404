// The rendered template, the password file and the start and stop lines
// against the real nginx and htpasswd on a loopback port.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <thread>

#include "tests/common/titled_process.h"
#include "tests/e2e/server_installation.h"
#include "config/text_conversion.h"
#include "share/share.h"

namespace {

const std::string kShare = "/%E7%94%B5%E5%BD%B1";  // "/电影", as a browser sends it
const std::vector<std::string> kCredentials = {"-u", "guest:p@ss w'rd"};

std::string everyByte() {
    std::string bytes;
    for (int i = 0; i < 1024; ++i) bytes += static_cast<char>(i % 256);
    return bytes;
}

// A shared folder whose own name holds what nginx reads specially inside a
// quoted string, a file outside it and a sibling that only a sloppy prefix
// match would reach.
class NginxShare : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(sharedFolder_ / "子目录");
        writeFile(sharedFolder_ / "电影.mp4", everyByte());
        writeFile(sharedFolder_ / "子目录" / "说明.txt", "hello");
        writeFile(base_ / "secret.txt", "TOPSECRET");
        std::filesystem::create_directories(pathOf(utf8Of(sharedFolder_) + "b"));
        writeFile(pathOf(utf8Of(sharedFolder_) + "b/secret.txt"), "TOPSECRET");
    }

    void expectNotServed(const HttpClient& client, const std::string& target) const {
        const HttpReply reply = client.get(target, kCredentials);
        EXPECT_NE(reply.status, "200") << target;
        EXPECT_EQ(reply.body.find("TOPSECRET"), std::string::npos) << target;
    }

    TestFolder base_{"nginx 共享"};
    std::filesystem::path sharedFolder_ = base_ / "电影 \"q\" {x}; it's\\";
    ServerInstallation installation_{"程序 'web' x", utf8Of(sharedFolder_)};
};

TEST_F(NginxShare, RefusesRequestsWithoutTheRightCredentials) {
    ASSERT_TRUE(installation_.start());
    const HttpClient client = installation_.http();
    EXPECT_EQ(client.get(kShare + "/").status, "401");
    EXPECT_EQ(client.get(kShare + "/", {"-u", "guest:wrong"}).status, "401");
    EXPECT_EQ(client.get(kShare + "/", {"-u", "other:p@ss w'rd"}).status, "401");
    EXPECT_EQ(client.get(kShare + "/%E7%94%B5%E5%BD%B1.mp4").status, "401");
}

// 254 bytes, the most that findUnsafeValue lets through to htpasswd.
TEST_F(NginxShare, TheLongestAcceptedPasswordLogsIn) {
    std::string password = "ab";
    for (int i = 0; i < 84; ++i) password += "密";
    installation_.settings.password = password;
    ASSERT_TRUE(installation_.start());
    EXPECT_EQ(installation_.http().get(kShare + "/", {"-u", "guest:" + password}).status, "200");
    EXPECT_EQ(installation_.http().get(kShare + "/", {"-u", "guest:" + password.substr(0, 251)}).status, "401");
}

TEST_F(NginxShare, ListsTheFolderInUtf8) {
    ASSERT_TRUE(installation_.start());
    const HttpReply reply = installation_.http().get(kShare + "/", kCredentials);
    EXPECT_EQ(reply.status, "200");
    EXPECT_EQ(reply.header("Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(reply.body.find(">电影.mp4</a>"), std::string::npos) << reply.body;
    EXPECT_NE(reply.body.find(">子目录/</a>"), std::string::npos) << reply.body;
}

TEST_F(NginxShare, ServesFilesWholeAndByRange) {
    ASSERT_TRUE(installation_.start());
    const HttpClient client = installation_.http();
    const HttpReply whole = client.get(kShare + "/%E7%94%B5%E5%BD%B1.mp4", kCredentials);
    EXPECT_EQ(whole.status, "200");
    EXPECT_EQ(whole.header("Content-Type"), "video/mp4");
    EXPECT_EQ(whole.body, everyByte());

    std::vector<std::string> ranged = kCredentials;
    ranged.insert(ranged.end(), {"-r", "300-309"});
    const HttpReply part = client.get(kShare + "/%E7%94%B5%E5%BD%B1.mp4", ranged);
    EXPECT_EQ(part.status, "206");
    EXPECT_EQ(part.body, everyByte().substr(300, 10));

    EXPECT_EQ(client.get(kShare + "/%E5%AD%90%E7%9B%AE%E5%BD%95/%E8%AF%B4%E6%98%8E.txt", kCredentials).body, "hello");
}

TEST_F(NginxShare, RedirectsTheRootAndTheBareShareNameToTheShare) {
    ASSERT_TRUE(installation_.start());
    const HttpClient client = installation_.http();
    for (const std::string& target : {std::string("/"), kShare}) {
        const HttpReply reply = client.get(target);
        EXPECT_EQ(reply.status, "301") << target;
        EXPECT_EQ(reply.header("Location"), "/电影/") << target;
    }
}

TEST_F(NginxShare, NothingOutsideTheFolderIsReachable) {
    ASSERT_TRUE(installation_.start());
    const HttpClient client = installation_.http();
    for (const char* target : {"../secret.txt", "/../secret.txt", "/%2e%2e/secret.txt", "/..%2fsecret.txt",
                               "%2f..%2fsecret.txt", "/%2E%2E/%2E%2E/secret.txt", "/..\\secret.txt"}) {
        expectNotServed(client, kShare + target);
    }
    expectNotServed(client, "/%2e%2e/secret.txt");
    expectNotServed(client, kShare + "b/secret.txt");
}

TEST_F(NginxShare, ShareNameNeverMatchesALongerName) {
    installation_.settings.shareName = "a";
    ASSERT_TRUE(installation_.start());
    const HttpClient client = installation_.http();
    EXPECT_EQ(client.get("/a/", kCredentials).status, "200");
    for (const char* target : {"/ab", "/ab/", "/a../secret.txt", "/a..%2fsecret.txt"}) {
        EXPECT_EQ(client.get(target).status, "404") << target << " is not the share's";
        expectNotServed(client, target);
    }
}

TEST_F(NginxShare, ServerDirectoryIsNeverServed) {
    ASSERT_TRUE(installation_.start());
    const HttpClient client = installation_.http();
    for (const char* target :
         {"/.htpasswd", "/conf/nginx.conf", "/conf/", "/logs/error.log", "/nginx", "/index.html"}) {
        const HttpReply reply = client.get(target, kCredentials);
        EXPECT_EQ(reply.status, "404") << target;
        EXPECT_EQ(reply.body.find("guest"), std::string::npos) << target;
    }
    EXPECT_EQ(readFile(installation_.paths.configFile).find("p@ss"), std::string::npos)
        << "the password never reaches the configuration";
}

// A shared folder that holds the program's own folder (a shared home folder):
// its server directory, the settings file and the temporary file of a save in
// progress (which holds the password too) stay hidden, even in another case
// or behind escapes, and everything else is served.
TEST(NginxShareOfTheProgramsFolder, ServerDirectoryAndSettingsFileAreNeverServed) {
    ServerInstallation installation{"自己的程序", ""};
    const std::filesystem::path programDir = pathOf(installation.programDir());
    installation.settings.sharedFolder = installation.programDir();
    writeFile(programDir / "vomra.data", "TOPSECRET");
    writeFile(programDir / "vomra.data.tmp", "TOPSECRET");
    writeFile(programDir / "vomra.data.txt", "ordinary");
    std::filesystem::create_directories(programDir / "Sub" / "VomrixServer" / "SERVER");
    writeFile(programDir / "Sub" / "VomrixServer" / "SERVER" / "x.txt", "TOPSECRET");
    writeFile(programDir / "Sub" / "VOMRA.DATA", "TOPSECRET");
    writeFile(programDir / "Sub" / "Vomra.Data.TMP", "TOPSECRET");
    ASSERT_TRUE(installation.start());
    const HttpClient client = installation.http();
    ASSERT_EQ(client.get(kShare + "/", kCredentials).status, "200") << "logs/access.log names the user from now on";

    for (const char* target :
         {"/vomrixserver/server", "/vomrixserver/server/", "/vomrixserver/server/.htpasswd",
          "/vomrixserver/server/conf/nginx.conf", "/vomrixserver/server/logs/access.log",
          "/vomrixserver%2Fserver%2F.htpasswd", "/vomrixserver//server/./.htpasswd", "/vomra.data", "/vomra.data.tmp",
          "/Sub/VomrixServer/SERVER/x.txt", "/Sub/VOMRA.DATA", "/Sub/Vomra.Data.TMP"}) {
        const HttpReply reply = client.get(kShare + target, kCredentials);
        EXPECT_EQ(reply.status, "404") << target;
        EXPECT_EQ(reply.body.find("guest"), std::string::npos) << target;
        EXPECT_EQ(reply.body.find("TOPSECRET"), std::string::npos) << target;
    }
    const HttpReply ordinary = client.get(kShare + "/vomra.data.txt", kCredentials);
    EXPECT_EQ(ordinary.status, "200");
    EXPECT_EQ(ordinary.body, "ordinary");
}

// Links whose owner also owns the program's files, as in an ordinary user's
// setup, where nginx's own owner check lets them through; their names are
// none the template's guards know.
TEST_F(NginxShare, LinksToTheProgramsFilesAreNotFollowedUnderAnyName) {
    namespace fs = std::filesystem;
    const fs::path programDir = pathOf(installation_.programDir());
    writeFile(programDir / "vomra.data", "{\"pass\": \"TOPSECRET\"}");
    writeFile(installation_.serverDir() / "conf" / "secret.txt", "TOPSECRET");
    fs::create_directories(base_ / "own");
    writeFile(base_ / "own" / "own.txt", "mine");
    fs::create_directory_symlink(installation_.serverDir(), sharedFolder_ / "c \"q\" {x};");
    fs::create_directory_symlink(installation_.serverDir() / "conf", sharedFolder_ / "子目录" / "deep");
    fs::create_directory_symlink(programDir / "vomrixserver", sharedFolder_ / "up");
    fs::create_symlink(programDir / "vomra.data", sharedFolder_ / "设置");
    fs::create_directory_symlink(base_ / "own", sharedFolder_ / "own");

    ASSERT_TRUE(installation_.start());
    const HttpClient client = installation_.http();
    for (const char* target :
         {"/c%20%22q%22%20%7Bx%7D%3B/conf/secret.txt", "/c%20%22q%22%20%7Bx%7D%3B/conf/", "/c%20%22q%22%20%7Bx%7D%3B",
          "/%E5%AD%90%E7%9B%AE%E5%BD%95/deep/secret.txt", "/%E5%AD%90%E7%9B%AE%E5%BD%95%2Fdeep%2Fsecret.txt",
          "/up/server/conf/secret.txt", "/up//server/./conf/nginx.conf", "/%E8%AE%BE%E7%BD%AE"}) {
        expectNotServed(client, kShare + target);
    }
    const HttpReply ownFile = client.get(kShare + "/own/own.txt", kCredentials);
    EXPECT_EQ(ownFile.status, "200");
    EXPECT_EQ(ownFile.body, "mine");
}

TEST_F(NginxShare, StopEndsThisInstanceAndNoOtherNginx) {
    TestFolder otherShared{"other 共享"};
    ServerInstallation other{"other 程序", otherShared.utf8()};
    ASSERT_TRUE(installation_.start());
    ASSERT_TRUE(other.start());
    ASSERT_GE(installation_.processes().size(), 2u) << "a master and its worker";

    installation_.stop();
    EXPECT_TRUE(installation_.waitUntilEnded());
    EXPECT_EQ(installation_.http().get("/").status, "000");
    EXPECT_GE(other.processes().size(), 2u);
    EXPECT_EQ(other.http().get("/").status, "301") << "the other nginx still answers";
}

TEST_F(NginxShare, StopAfterACrashLeavesTheStalePidFilesNewOwnerAlone) {
    ASSERT_TRUE(installation_.start());
    for (const std::string& pid : installation_.processes()) kill(std::stoi(pid), SIGKILL);
    ASSERT_TRUE(installation_.waitUntilEnded());

    // The pid left in the file now belongs to an unrelated process.
    TitledProcess stranger("sleep");
    writeFile(installation_.serverDir() / "logs" / "nginx.pid", std::to_string(stranger.pid()) + "\n");
    installation_.endLeftover();
    EXPECT_FALSE(stranger.endsWithin(std::chrono::milliseconds(0))) << "no signal for a process that is not this nginx";
}

// Stop holds the server's process: what became of its pid file and its
// configuration does not matter.
TEST_F(NginxShare, StopEndsTheServerWhateverBecameOfItsFiles) {
    const auto pidFile = installation_.serverDir() / "logs" / "nginx.pid";
    const std::vector<std::pair<const char*, std::function<void()>>> mishaps = {
        {"pid file deleted", [&] { std::filesystem::remove(pidFile); }},
        {"pid file emptied", [&] { writeFile(pidFile, ""); }},
        {"configuration unreadable", [&] { writeFile(installation_.paths.configFile, "not a configuration"); }},
    };
    for (const auto& [mishap, befall] : mishaps) {
        SCOPED_TRACE(mishap);
        ASSERT_TRUE(installation_.start());
        ASSERT_GE(installation_.processes().size(), 2u) << "a master and its worker";
        befall();
        const auto before = std::chrono::steady_clock::now();
        installation_.stop();
        const auto took = std::chrono::steady_clock::now() - before;
        EXPECT_TRUE(installation_.processes().empty());
        EXPECT_LT(took, std::chrono::milliseconds(2500));
        EXPECT_EQ(installation_.http().get("/").status, "000");
    }
}

}  // namespace

// An earlier version of the program left nginx running in the background, as
// its own daemon: at start-up it is found through its pid file and ended, and
// only then is it reported.
TEST(LeftoverServer, IsEndedAndReportedOnce) {
    TestFolder shared{"leftover"};
    ServerInstallation installation{"程序 leftover", shared.utf8()};
    installation.startAsDaemon();
    ASSERT_GE(installation.processes().size(), 2u) << "a master and its worker";

    Share share(installation.paths);
    EXPECT_TRUE(share.endLeftoverServer().has_value());
    EXPECT_TRUE(installation.waitUntilEnded());
    EXPECT_EQ(share.endLeftoverServer(), std::nullopt);
}
