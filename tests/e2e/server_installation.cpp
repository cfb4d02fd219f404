#include "tests/e2e/server_installation.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "config/install_paths.h"
#include "config/text_conversion.h"
#include "platform/loopback_port.h"
#include "platform/process.h"
#include "nginx/config_render.h"
#include "nginx/leftover_server.h"
#include "nginx/password_file.h"
#include "share/safe_values.h"
#include "nginx/server_launch.h"

namespace fs = std::filesystem;

namespace {

// The build's server directory, copied: the links to nginx and htpasswd, the
// template and the MIME types, the TV page's files, and empty logs/ and temp/.
void layOutServerDirectory(const fs::path& serverDir) {
    const fs::path built = fs::path(VOMRA_BINARY_DIR) / "vomrixserver" / "server";
    fs::create_directories(serverDir / "conf");
    fs::create_directories(serverDir / "logs");
    fs::create_directories(serverDir / "temp");
    fs::copy_symlink(built / "nginx", serverDir / "nginx");
    fs::copy_symlink(built / "htpasswd", serverDir / "htpasswd");
    fs::copy_file(built / "conf" / "nginx.confbak", serverDir / "conf" / "nginx.confbak");
    fs::copy_file(built / "conf" / "mime.types", serverDir / "conf" / "mime.types");
    fs::copy(built / "tvpage", serverDir / "tvpage", fs::copy_options::recursive);
}

template <class Condition>
bool waitFor(Condition condition) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
}

bool isNginx(const fs::path& process, const fs::path& workingDirectory) {
    std::error_code error;
    const fs::path cwd = fs::read_symlink(process / "cwd", error);
    if (error || cwd != workingDirectory) return false;
    const fs::path exe = fs::read_symlink(process / "exe", error);
    return !error && exe.filename().string().starts_with("nginx");
}

}  // namespace

ServerInstallation::ServerInstallation(const std::string& name, const std::string& sharedFolderUtf8)
    : program_(name),
      programDir_(program_.utf8()),
      settings{sharedFolderUtf8, "电影", "guest", "p@ss w'rd", platform::freeLoopbackPort(), 5},
      paths(program_.path()) {
    layOutServerDirectory(serverDir());
}

ServerInstallation::~ServerInstallation() {
    const std::vector<std::string> left = processes();
    if (left.empty()) return;
    for (const std::string& pid : left) kill(std::stoi(pid), SIGKILL);
    waitUntilEnded();
}

fs::path ServerInstallation::serverDir() const {
    return program_.path() / "vomrixserver" / "server";
}

void ServerInstallation::prepare() {
    EXPECT_EQ(findUnsafeValue(settings, paths), std::nullopt);
    const RenderResult rendered = renderServerConfig(settings, paths, {1, "no helper"});
    EXPECT_TRUE(rendered.ok) << rendered.message;
    EXPECT_TRUE(writePasswordFile({paths.htpasswdProgram, paths.passwordFile, settings.userName, settings.password}));
    EXPECT_TRUE(platform::giveToFolderOwner(paths.passwordFile, pathOf(settings.sharedFolder)));
}

void ServerInstallation::launch() {
    prepare();
    std::string error;
    server = platform::ServerProcess::start(serverLaunch(settings, paths), error);
    EXPECT_NE(server, nullptr) << error;
}

bool ServerInstallation::start() {
    launch();
    const HttpClient client = http();
    return waitFor([&] { return client.get("/").status != "000"; });
}

void ServerInstallation::listenOnlyOn(const std::string& address) const {
    const fs::path& configTemplate = paths.configTemplate;
    writeFile(configTemplate, replaceAll(readFile(configTemplate), "listen name3;", "listen " + address + ":name3;"));
}

void ServerInstallation::stop() const {
    if (server) server->stop();
}

void ServerInstallation::startAsDaemon() {
    prepare();
    // From the server directory, which is how processes() finds it.
    const std::string dir = utf8Of(serverDir());
    platform::runProgram("/bin/sh", {"-c", "cd \"$1\" && exec \"$2\" -p \"$1/\" -c conf/nginx.conf -e logs/error.log",
                                     "sh", dir, utf8Of(paths.serverProgram)});
    const fs::path pidFile = serverDir() / "logs" / "nginx.pid";
    waitFor([&] { return processes().size() >= 2 && !readFile(pidFile).empty(); });
}

void ServerInstallation::endLeftover() const {
    stopLeftoverServer(paths);
}

std::vector<std::string> ServerInstallation::processes() const {
    std::vector<std::string> pids;
    std::error_code error;
    const fs::path workingDirectory = fs::canonical(serverDir(), error);
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") == std::string::npos && isNginx(entry.path(), workingDirectory)) {
            pids.push_back(name);
        }
    }
    return pids;
}

bool ServerInstallation::waitUntilEnded() const {
    return waitFor([this] { return processes().empty(); });
}
