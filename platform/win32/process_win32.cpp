#include "platform/process.h"

#include <cstdlib>
#include <windows.h>

#include "platform/text_codec.h"

namespace platform {

// cmd.exe by its fixed path, hidden, with the caller's environment and
// working directory. The line goes to the wide interface, so every
// character arrives as typed whatever the system's ANSI code page.
void runCommandInterpreter(const std::string& commandLine) {
    std::wstring interpreterLine = utf8ToWide("/C " + commandLine);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};

    if (CreateProcessW(L"C:\\Windows\\System32\\cmd.exe", interpreterLine.data(), nullptr, nullptr, FALSE,
                       CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
}

void runSystemCommand(const std::string& commandLine) {
    [[maybe_unused]] const int ignored = _wsystem(utf8ToWide(commandLine).c_str());
}

}  // namespace platform
