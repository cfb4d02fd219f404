#include "platform/instance_guard.h"

#include <windows.h>

namespace platform {

// The mutex lives in the logon's default namespace, so only copies started by
// the same user see it. Its handle is never closed: the mutex lasts exactly as
// long as this process.
InstanceGuard acquireInstanceGuard(const std::wstring& name) {
    const HANDLE mutex = CreateMutexW(nullptr, TRUE, name.c_str());
    if (GetLastError() == ERROR_ALREADY_EXISTS) return InstanceGuard::AlreadyRunning;
    return mutex != nullptr ? InstanceGuard::First : InstanceGuard::Unavailable;
}

}  // namespace platform
