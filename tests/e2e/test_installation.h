#pragma once
// A throw-away installation of the program for tests against the real nginx:
// a program directory whose server directory is laid out like the built one,
// and the means to find and end the server processes started from it.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

namespace test_installation {

namespace fs = std::filesystem;

inline const fs::path kBuiltServerDir = fs::path(VOMRA_BINARY_DIR) / "vomrixserver" / "server";

inline std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline fs::path serverDirectoryOf(const fs::path& programDir) { return programDir / "vomrixserver" / "server"; }

// nginx and htpasswd linked, conf/ copied, logs/ and temp/ empty.
inline void layOut(const fs::path& programDir) {
    const auto server = serverDirectoryOf(programDir);
    fs::create_directories(server / "logs");
    fs::create_directories(server / "temp");
    fs::copy(kBuiltServerDir / "conf", server / "conf", fs::copy_options::recursive);
    for (const char* program : {"nginx", "htpasswd"}) fs::copy_symlink(kBuiltServerDir / program, server / program);
}

// A process counts as gone once it has ended, reaped or not.
inline bool processAlive(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return false;
    const auto afterName = line.rfind(')');
    return afterName != std::string::npos && line.size() > afterName + 2 && line[afterName + 2] != 'Z';
}

// The nginx master named by the installation's pid file, and its workers.
inline std::set<int> serverProcesses(const fs::path& programDir) {
    std::set<int> pids;
    const int master = std::atoi(readFile(serverDirectoryOf(programDir) / "logs" / "nginx.pid").c_str());
    if (master <= 0 || !processAlive(master)) return pids;
    pids.insert(master);
    const auto masterText = std::to_string(master);
    std::istringstream children(readFile("/proc/" + masterText + "/task/" + masterText + "/children"));
    for (int child = 0; children >> child;) pids.insert(child);
    return pids;
}

// Ends by force whatever the installation's server left running.
inline void killServer(const fs::path& programDir) {
    for (const int pid : serverProcesses(programDir))
        std::system(("kill -KILL " + std::to_string(pid) + " 2>/dev/null").c_str());
}

}  // namespace test_installation
