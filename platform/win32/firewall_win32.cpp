#include "platform/firewall.h"

#include <string>
#include <windows.h>

#include "platform/process.h"

namespace platform {
namespace {

// netsh from the system folder, never one that lies in the program's own
// folder or the working directory, where CreateProcessW would look first.
std::filesystem::path netshPath() {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return L"netsh.exe";
    return std::filesystem::path(std::wstring(folder, length)) / L"netsh.exe";
}

}  // namespace

void allowInboundPort(std::int32_t port) {
    runProgram(netshPath(), {"advfirewall", "firewall", "add", "rule", "name=Nginx HTTP", "dir=in", "action=allow",
                             "protocol=TCP", "localport=" + std::to_string(port)});
}

}  // namespace platform
