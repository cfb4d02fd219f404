// The server's life tied to the program's, and what its links may reach,
// against the real nginx on a loopback port.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "config/text_conversion.h"
#include "tests/e2e/server_installation.h"
#include "tests/common/wait_for.h"
#include "nginx/server_launch.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::string kShare = "/%E7%94%B5%E5%BD%B1";  // "/电影"
const std::vector<std::string> kCredentials = {"-u", "guest:p@ss w'rd"};

// A program that starts the installation's server, says so on `ready`, and
// waits to be ended. Runs in a child made by fork, where the one thread is
// the one that starts the server, as the program's main thread does.
[[noreturn]] void holdAShare(const ServerInstallation& installation, int ready) {
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    std::string error;
    const auto server = platform::ServerProcess::start(serverLaunch(installation.settings, installation.paths), error);
    const char started = server ? 1 : 0;
    [[maybe_unused]] const auto written = write(ready, &started, 1);
    for (;;) pause();
}

}  // namespace

// However the program ends, its server ends with it within two seconds.
TEST(ServerLifetime, AProgramKilledOrCrashedTakesItsServerAlong) {
    for (const int signal : {SIGKILL, SIGSEGV}) {
        SCOPED_TRACE(strsignal(signal));
        TestFolder shared{"lifetime"};
        ServerInstallation installation{"程序 lifetime", shared.utf8()};
        installation.prepare();
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t program = fork();
        ASSERT_GE(program, 0);
        if (program == 0) holdAShare(installation, ready[1]);
        close(ready[1]);
        char started = 0;
        EXPECT_EQ(read(ready[0], &started, 1), 1);
        close(ready[0]);
        EXPECT_EQ(started, 1);
        const HttpClient client = installation.http();
        EXPECT_TRUE(waitFor([&] { return client.get("/").status != "000"; }, 5s));
        ASSERT_GE(installation.processes().size(), 2u) << "a master and its worker";

        kill(program, signal);
        const auto killed = std::chrono::steady_clock::now();
        int status = 0;
        waitpid(program, &status, 0);
        EXPECT_TRUE(waitFor([&] { return installation.processes().empty(); }, 2s));
        const auto took =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - killed);
        RecordProperty(std::string("ms_after_") + strsignal(signal), std::to_string(took.count()));
        EXPECT_EQ(client.get("/").status, "000");
    }
}

// A link in the share is followed only to what its own owner owns: not to
// "/", not into the program's server directory, not to its settings file,
// whatever their names. Run as root, the workers run as the share's owner,
// so the share is given to "nobody", as a shared home folder would belong to
// its user.
TEST(ServerLinks, OnlyLinksToTheOwnersOwnFilesAreFollowed) {
    const passwd* nobody = getpwnam("nobody");
    if (geteuid() != 0 || nobody == nullptr) GTEST_SKIP() << "the share must belong to another user than the program";
    TestFolder base{"links"};
    const fs::path share = base / "share";
    const fs::path own = base / "own";
    fs::create_directories(share);
    fs::create_directories(own);
    writeFile(own / "own.txt", "mine");
    writeFile(share / ".hidden", "TOPSECRET");
    ServerInstallation installation{"程序 links", utf8Of(share)};
    const fs::path programDir = pathOf(installation.programDir());
    writeFile(programDir / "vomra.data", "{\"pass\": \"TOPSECRET\"}");
    writeFile(installation.serverDir() / "conf" / "secret.txt", "TOPSECRET");
    fs::create_directory_symlink("/", share / "root");
    fs::create_directory_symlink(installation.serverDir(), share / "server");
    fs::create_symlink(programDir / "vomra.data", share / "settings");
    fs::create_directory_symlink(own, share / "own");
    for (const fs::path& owned : {share, share / ".hidden", share / "root", share / "server", share / "settings",
                                  share / "own", own, own / "own.txt"})
        ASSERT_EQ(lchown(owned.c_str(), nobody->pw_uid, nobody->pw_gid), 0) << owned;

    ASSERT_TRUE(installation.start());
    const HttpClient client = installation.http();
    for (const char* target : {"/root/etc/passwd", "/root/etc/shadow", "/server/conf/nginx.conf",
                               "/server/conf/secret.txt", "/server/.htpasswd", "/settings", "/.hidden"}) {
        const HttpReply reply = client.get(kShare + target, kCredentials);
        EXPECT_TRUE(reply.status == "403" || reply.status == "404") << target << " " << reply.status;
        EXPECT_EQ(reply.body.find("TOPSECRET"), std::string::npos) << target;
        EXPECT_EQ(reply.body.find("root:"), std::string::npos) << target;
    }
    const HttpReply ownFile = client.get(kShare + "/own/own.txt", kCredentials);
    EXPECT_EQ(ownFile.status, "200");
    EXPECT_EQ(ownFile.body, "mine");
    const HttpReply listing = client.get(kShare + "/", kCredentials);
    EXPECT_EQ(listing.status, "200");
    EXPECT_EQ(listing.body.find(".hidden"), std::string::npos) << listing.body;
}
