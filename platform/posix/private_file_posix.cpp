#include "platform/private_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

std::error_code syncToDisk(const std::filesystem::path& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return lastError();
    const std::error_code error = ::fsync(fd) == 0 ? std::error_code{} : lastError();
    ::close(fd);
    return error;
}

}  // namespace

std::error_code createPrivateFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return lastError();
    // An existing file keeps its mode through open(); narrow it as well.
    const std::error_code error = ::fchmod(fd, 0600) == 0 ? std::error_code{} : lastError();
    ::close(fd);
    return error;
}

std::error_code replaceFileDurably(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (const std::error_code error = syncToDisk(from, O_RDONLY)) return error;
    if (::rename(from.c_str(), to.c_str()) != 0) return lastError();
    // Make the rename itself survive a power cut; the file is in place by now,
    // so a failure here is not worth reporting.
    const std::filesystem::path folder = to.has_parent_path() ? to.parent_path() : ".";
    (void)syncToDisk(folder, O_RDONLY | O_DIRECTORY);
    return {};
}

}  // namespace platform
