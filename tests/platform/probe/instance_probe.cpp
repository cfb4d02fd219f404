// Takes the single-instance guard in a process of its own and reports through
// its exit code (0: as expected) what it got.
//
//   instance_probe expect <first|already-running|unavailable>
//   instance_probe hold <mode...>    take the guard (it must be first), then
//                                    run this probe with <mode...> while holding it
//                                    (plain words: only the program path is quoted)
//   instance_probe no-descriptor-for <file>
//                                    fails if this process inherited a descriptor of <file>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

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

bool holdsDescriptorOf(const std::filesystem::path& file) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        std::error_code linkError;
        const auto target = std::filesystem::read_symlink(entry.path(), linkError);
        if (!linkError && target == file) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "expect" && argc == 3) return takeGuardExpecting(argv[2]) ? 0 : 1;
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
