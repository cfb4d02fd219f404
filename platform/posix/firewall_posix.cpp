#include "platform/firewall.h"

#include <string>

#include "platform/posix/program_spawn_posix.h"

namespace platform {
namespace {

// Whether `tool` could be run; it runs to its end, its talk discarded.
bool ranTool(const char* tool, const std::vector<std::string>& arguments) {
    const pid_t child = startProgram(tool, arguments, {}, ChildOutput::Discarded);
    if (child < 0) return false;
    waitForExit(child);
    return true;
}

}  // namespace

// A tool that is not on the search path does not start; the next one is tried.
void allowInboundPort(std::int32_t port) {
    const std::string rule = std::to_string(port) + "/tcp";
    if (ranTool("ufw", {"allow", rule, "comment", "Nginx HTTP"})) return;
    ranTool("firewall-cmd", {"--add-port=" + rule});
}

}  // namespace platform
