// Takes the single-instance guard in a process of its own and reports through
// its exit code (0: as expected) what it got.
//
//   instance_probe expect <first|already-running|unavailable>
//   instance_probe hold <mode...>    take the guard (it must be first), then
//                                    run this probe with <mode...> while holding it
//                                    (plain words: only the program path is quoted)
//   instance_probe no-descriptor-for <file>
//                                    fails if this process inherited a descriptor of <file>
//   instance_probe lock-in-private-folder
//                                    take the guard (it must be first) and fail unless
//                                    its lock file lies in a folder only this user can write to
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "platform/instance_guard.h"

namespace {

const char* describe(platform::InstanceGuard guard) {
    switch (guard) {
        case platform::InstanceGuard::First:
            return "first";
        case platform::InstanceGuard::AlreadyRunning:
            return "already-running";
        case platform::InstanceGuard::Unavailable:
            return "unavailable";
    }
    return "?";
}

bool takeGuardExpecting(const std::string& expected) {
    const char* got = describe(platform::acquireInstanceGuard(L"VomraServer"));
    if (expected == got) return true;
    std::cerr << "instance_probe: expected " << expected << ", got " << got << "\n";
    return false;
}

// The files this process holds open.
std::vector<std::filesystem::path> openFiles() {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        std::error_code linkError;
        const auto target = std::filesystem::read_symlink(entry.path(), linkError);
        if (!linkError) files.push_back(target);
    }
    return files;
}

bool holdsDescriptorOf(const std::filesystem::path& file) {
    const auto files = openFiles();
    return std::find(files.begin(), files.end(), file) != files.end();
}

// Another user who can add files to the lock's folder can make the lock file
// first and so keep the guard from working.
bool lockInPrivateFolder() {
    if (!takeGuardExpecting("first")) return false;
    for (const auto& file : openFiles()) {
        const std::string name = file.filename().string();
        if (!name.starts_with("VomraServer") || !name.ends_with(".lock")) continue;
        const auto folder = std::filesystem::symlink_status(file.parent_path());
        using std::filesystem::perms;
        const bool isPrivate = std::filesystem::is_directory(folder) &&
                               (folder.permissions() & (perms::group_write | perms::others_write)) == perms::none;
        if (!isPrivate) std::cerr << "instance_probe: others may write to the folder of " << file << "\n";
        return isPrivate;
    }
    std::cerr << "instance_probe: no lock file held\n";
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "expect" && argc == 3) return takeGuardExpecting(argv[2]) ? 0 : 1;
    if (mode == "lock-in-private-folder") return lockInPrivateFolder() ? 0 : 1;
    if (mode == "no-descriptor-for" && argc == 3) return holdsDescriptorOf(argv[2]) ? 1 : 0;
    if (mode == "hold" && argc > 2) {
        if (!takeGuardExpecting("first")) return 1;
        std::string command = std::string("\"") + argv[0] + "\"";
        for (int i = 2; i < argc; ++i) command += std::string(" ") + argv[i];
        return std::system(command.c_str()) == 0 ? 0 : 1;
    }
    std::cerr << "instance_probe: bad arguments\n";
    return 2;
}
