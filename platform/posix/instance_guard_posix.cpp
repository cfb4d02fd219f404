#include "platform/instance_guard.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/text_codec.h"

namespace platform {
namespace {

// "$XDG_RUNTIME_DIR/<name>.lock", or "/tmp/<name>-<uid>.lock" where the
// session has no runtime directory.
std::string lockFilePath(const std::wstring& name) {
    const std::string base = wideToUtf8(name);
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    if (runtimeDir != nullptr && *runtimeDir != '\0') {
        return std::string(runtimeDir) + "/" + base + ".lock";
    }
    return "/tmp/" + base + "-" + std::to_string(::getuid()) + ".lock";
}

// A lock file planted by another user (possible under /tmp) is not ours to
// trust: it could hold the lock forever and keep the program from starting.
bool ownedByThisUser(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::getuid();
}

}  // namespace

// The descriptor is never closed: the lock lasts as long as the process and
// the system drops it when the process ends, however it ends. O_CLOEXEC keeps
// it out of the programs this one starts (the web server outlives us).
InstanceGuard acquireInstanceGuard(const std::wstring& name) {
    const std::string path = lockFilePath(name);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return InstanceGuard::Unavailable;
    if (!ownedByThisUser(fd)) {
        ::close(fd);
        return InstanceGuard::Unavailable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return InstanceGuard::First;
    const int error = errno;
    ::close(fd);
    return error == EWOULDBLOCK ? InstanceGuard::AlreadyRunning : InstanceGuard::Unavailable;
}

}  // namespace platform
