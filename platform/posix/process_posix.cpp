#include "platform/process.h"

#include "platform/posix/program_spawn_posix.h"

namespace platform {

ProgramRun runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                      const std::string& standardInput) {
    const pid_t child = startProgram(program, arguments, standardInput, ChildOutput::Shared);
    if (child < 0) return {};
    return {true, waitForExit(child)};
}

}  // namespace platform
