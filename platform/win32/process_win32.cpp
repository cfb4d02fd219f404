#include "platform/process.h"

#include <cstdlib>
#include <windows.h>

namespace platform {

// cmd.exe by its fixed path, hidden, with the caller's environment and
// working directory; the line's bytes go to the ANSI interface unchanged.
void runCommandInterpreter(const std::string& commandLine) {
    std::string interpreterLine = "/C " + commandLine;

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};

    if (CreateProcessA("C:\\Windows\\System32\\cmd.exe", interpreterLine.data(), nullptr, nullptr, FALSE,
                       CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
}

void runSystemCommand(const std::string& commandLine) {
    [[maybe_unused]] const int ignored = std::system(commandLine.c_str());
}

}  // namespace platform
