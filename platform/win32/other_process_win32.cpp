#include "platform/other_process.h"

#include <windows.h>

namespace platform {

std::optional<std::string> processTitle(long) {
    return std::nullopt;
}

void askProcessToQuit(long) {}

// Windows has no process groups; the process alone ends.
void killProcessGroup(long id) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(id));
    if (process == nullptr) return;
    TerminateProcess(process, 1);
    CloseHandle(process);
}

}  // namespace platform
