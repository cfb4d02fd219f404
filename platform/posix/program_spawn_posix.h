#pragma once
// The POSIX side's one way of starting another program, behind runProgram,
// the firewall tools and the browser.
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace platform {

enum class ChildOutput { Shared, Discarded };

// Starts `program` as runProgram describes, its standard output and error
// shared with this program or sent to /dev/null, and hands it
// `standardInput`. Returns the child's pid, or -1 when it could not start.
pid_t startProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                   const std::string& standardInput, ChildOutput output);

// Waits for `child` to end and reaps it: its exit status, or 128 + the
// signal's number when a signal ended it.
int waitForExit(pid_t child);

}  // namespace platform
