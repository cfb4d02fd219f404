// What the running share's periodic walk for links to the program's files
// costs: a shared folder of N files (default 10,000) in 100 folders, walked
// as the running share walks it every 4 s, first as it mostly is (no file of the
// program's has a second name, so no file's details are read), then with
// three hard links to the settings file (every file's details read). Prints
// the walk's wall and processor time and the share of one processor it takes
// as the share schedules it: 4 s after the last walk ended, or twenty times
// the walk's time when that is longer.
//
//   link_walk_bench [--files N] [--walks W]
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>

#include "nginx/link_guard.h"
#include "platform/paths.h"
#include "share/denied_links_watch.h"
#include "share/share.h"
#include "shell.h"

namespace fs = std::filesystem;

namespace {

const double kIntervalSeconds = std::chrono::duration<double>(ShareEnvironment{}.linkWalkInterval).count();

struct Workspace {
    Workspace() : root(fs::temp_directory_path() / ("vomra-link-bench-" + std::to_string(std::random_device{}()))) {
        fs::create_directories(root);
    }
    ~Workspace() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    fs::path root;
};

int option(int argc, char** argv, const std::string& name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (argv[i] == name) return std::atoi(argv[i + 1]);
    return fallback;
}

// The folder, and the program's files beside it.
ShareSettings layOut(const fs::path& root, const InstallPaths& paths, int files) {
    fs::create_directories(paths.configFile.parent_path());
    fs::create_directories(paths.errorLog.parent_path());
    std::ofstream(paths.settingsFile) << "{}";
    std::ofstream(paths.configFile) << "events {}";
    std::ofstream(paths.errorLog) << "";
    const fs::path shared = root / "shared";
    for (int i = 0; i < files; ++i) {
        const fs::path folder = shared / ("folder" + std::to_string(i % 100));
        if (i < 100) fs::create_directories(folder);
        std::ofstream(folder / ("video" + std::to_string(i) + ".mp4")) << "x";
    }
    ShareSettings settings;
    settings.sharedFolder = platform::utf8FromPath(shared);
    return settings;
}

// One row of the table: `walks` walks through the folder as it now is.
void measure(const ShareSettings& settings, const InstallPaths& paths, int files, int walks, const char* what) {
    std::size_t found = 0;
    const std::clock_t cpuStart = std::clock();
    const double wall = secondsOf([&] {
        for (int i = 0; i < walks; ++i) found = pathsThroughLinksToProgramFiles(settings, paths).size();
    });
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const double wallPerWalk = wall / walks;
    const double period = wallPerWalk + std::max(kIntervalSeconds, kWalkPauseFactor * wallPerWalk);
    std::cout << "| " << what << " | " << files << " | " << found << " | " << wallPerWalk * 1000 << " ms | "
              << cpu / walks * 1000 << " ms | " << cpu / walks / period * 100 << " % |\n";
}

}  // namespace

int main(int argc, char** argv) {
    const int files = option(argc, argv, "--files", 10000);
    const int walks = option(argc, argv, "--walks", 20);
    Workspace workspace;
    const InstallPaths paths(workspace.root / "program");
    const ShareSettings settings = layOut(workspace.root, paths, files);

    std::cout << "| program's files | files | found | wall per walk | processor per walk | share of one processor |\n"
                 "|---|---|---|---|---|---|\n";
    measure(settings, paths, files, walks, "one name each");
    const fs::path shared = platform::pathFromUtf8(settings.sharedFolder);
    for (int i = 0; i < 3; ++i) fs::create_hard_link(paths.settingsFile, shared / ("copy" + std::to_string(i)));
    measure(settings, paths, files, walks, "settings file with 3 hard links");
    return 0;
}
