#pragma once
// One running copy per user: a named, process-lifetime lock.
#include <string>

namespace platform {

enum class InstanceGuard {
    First,           // this process holds the guard until it ends
    AlreadyRunning,  // another process of this user holds it
    Unavailable,     // the guard could not be created; start-up goes on
};

// Windows: the named mutex `name`, created owned and never closed.
// POSIX: an exclusive flock on a file named after `name` in the user's
// runtime directory, held open for the life of the process.
InstanceGuard acquireInstanceGuard(const std::wstring& name);

}  // namespace platform
