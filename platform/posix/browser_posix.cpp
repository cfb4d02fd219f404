#include "platform/browser.h"

#include <thread>

#include "platform/posix/program_spawn_posix.h"

namespace platform {

void openInBrowser(const std::string& url) {
    const pid_t child = startProgram("xdg-open", {url}, {}, ChildOutput::Discarded);
    if (child >= 0) std::thread([child] { waitForExit(child); }).detach();
}

}  // namespace platform
