#include "nginx/leftover_server.h"

#include <chrono>
#include <fstream>
#include <optional>
#include <string>

#include "platform/other_process.h"
#include "platform/paths.h"
#include "platform/wait_until.h"
#include "platform/process.h"
#include "platform/server_process.h"

namespace {

constexpr auto kQuitGrace = std::chrono::seconds(1);

// The prefix the server was started with, as its title shows it.
std::string prefixArgument(const std::filesystem::path& serverDirectory) {
    return platform::utf8FromPath(serverDirectory) + "/";
}

// The master's pid: the file's first line, only when it is a whole number.
// nginx for Windows ends the line with CR LF.
std::optional<long> pidFrom(const std::filesystem::path& pidFile) {
    std::ifstream in(pidFile, std::ios::binary);
    std::string line;
    if (!std::getline(in, line)) return std::nullopt;
    if (line.ends_with('\r')) line.pop_back();
    if (line.empty() || line.size() > 9) return std::nullopt;
    if (line.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    const long pid = std::stol(line);
    return pid > 0 ? std::optional<long>(pid) : std::nullopt;
}

// nginx writes its master's title over its arguments: "nginx: master process"
// and then the command line it was started with.
bool isThisMaster(long pid, const std::filesystem::path& serverDirectory) {
    const auto title = platform::processTitle(pid);
    return title && title->starts_with("nginx: master process ") &&
           title->find(" -p " + prefixArgument(serverDirectory) + " ") != std::string::npos;
}

// The title is checked again before the kill: the master may have ended in
// the meantime, and its number gone to another process.
void endThisMaster(long pid, const std::filesystem::path& serverDirectory) {
    platform::askProcessToQuit(pid);
    if (platform::waitUntil([&] { return !isThisMaster(pid, serverDirectory); }, kQuitGrace)) return;
    platform::killProcessGroup(pid);
}

}  // namespace

bool stopLeftoverServer(const InstallPaths& paths) {
    const auto pid = pidFrom(paths.pidFile);
    if (!pid || !platform::processAlive(*pid)) return false;
    if (platform::kProcessTitlesReadable) {
        if (!isThisMaster(*pid, paths.serverDir)) return false;
        endThisMaster(*pid, paths.serverDir);
    } else {
        platform::runProgram(paths.serverProgram, {"-p", prefixArgument(paths.serverDir), "-s", "quit"});
    }
    return platform::waitUntil([&] { return !platform::processAlive(*pid); }, kQuitGrace);
}
