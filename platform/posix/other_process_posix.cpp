#include "platform/other_process.h"

#include <algorithm>
#include <csignal>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace platform {

std::optional<std::string> processTitle(long id) {
    if (id <= 0) return std::nullopt;
    std::ifstream in("/proc/" + std::to_string(id) + "/cmdline", std::ios::binary);
    if (!in) return std::nullopt;
    std::string title{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::replace(title.begin(), title.end(), '\0', ' ');
    return title;
}

void askProcessToQuit(long id) {
    if (id > 0) kill(static_cast<pid_t>(id), SIGQUIT);
}

// A process that leads no group of its own shares one with others that are
// none of the caller's business: only the process itself is killed then.
void killProcessGroup(long id) {
    if (id <= 0) return;
    const auto pid = static_cast<pid_t>(id);
    kill(getpgid(pid) == pid ? -pid : pid, SIGKILL);
}

}  // namespace platform
