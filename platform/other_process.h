#pragma once
// Processes this program did not start, such as a server an earlier run left
// behind: what they were started with, and ending them by their id.
#include <optional>
#include <string>

namespace platform {

#ifdef _WIN32
// Windows keeps a process's command line inside the process.
inline constexpr bool kProcessTitlesReadable = false;
#else
inline constexpr bool kProcessTitlesReadable = true;
#endif

// What process `id` shows in the process list: the arguments it was started
// with, or the title it wrote over them (as nginx does), each one and the
// next joined by a blank. nullopt when it is gone or cannot be read, and on
// Windows.
std::optional<std::string> processTitle(long id);

// POSIX: sends SIGQUIT, with which a server finishes its requests and ends.
// Windows has no such request; nothing happens.
void askProcessToQuit(long id);

// Kills process `id` at once; on POSIX, when it leads a process group (as a
// server's master does, its workers in the group), the whole group.
void killProcessGroup(long id);

}  // namespace platform
