#include "platform/link_free_directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {
namespace {

int descriptorOf(std::intptr_t handle) {
    return static_cast<int>(handle);
}

EntryKind kindOf(mode_t mode) {
    if (S_ISLNK(mode)) return EntryKind::link;
    if (S_ISDIR(mode)) return EntryKind::directory;
    if (S_ISREG(mode)) return EntryKind::regularFile;
    return EntryKind::other;
}

bool writeAll(int descriptor, std::span<const unsigned char> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

std::unique_ptr<LinkFreeDirectory> LinkFreeDirectory::open(const Path& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return nullptr;
    return std::unique_ptr<LinkFreeDirectory>(new LinkFreeDirectory(path, descriptor));
}

LinkFreeDirectory::~LinkFreeDirectory() {
    ::close(descriptorOf(handle_));
}

std::unique_ptr<LinkFreeDirectory> LinkFreeDirectory::child(const Path& name, bool make) const {
    if (!isOwnName(name)) return nullptr;
    // mkdirat never follows a link at the name: it finds the name taken.
    if (make && ::mkdirat(descriptorOf(handle_), name.c_str(), 0777) != 0 && errno != EEXIST) return nullptr;
    // O_NOFOLLOW refuses a link, O_DIRECTORY anything else that is no directory.
    const int descriptor =
        ::openat(descriptorOf(handle_), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) return nullptr;
    return std::unique_ptr<LinkFreeDirectory>(new LinkFreeDirectory(path_ / name, descriptor));
}

EntryStatus LinkFreeDirectory::status(const Path& name) const {
    struct stat status {};
    if (!isOwnName(name) || ::fstatat(descriptorOf(handle_), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return {};
    return {kindOf(status.st_mode), static_cast<std::uint64_t>(status.st_size)};
}

bool LinkFreeDirectory::writeNewFile(const Path& name, std::span<const unsigned char> bytes) const {
    if (!isOwnName(name)) return false;
    // O_EXCL: whatever stands at the name, a dangling link included, makes
    // the open fail instead of being written through.
    const int descriptor =
        ::openat(descriptorOf(handle_), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (descriptor < 0) return false;
    const bool written = writeAll(descriptor, bytes);
    const bool closed = ::close(descriptor) == 0;
    if (written && closed) return true;
    remove(name);
    return false;
}

bool LinkFreeDirectory::rename(const Path& from, const Path& to) const {
    return isOwnName(from) && isOwnName(to) &&
           ::renameat(descriptorOf(handle_), from.c_str(), descriptorOf(handle_), to.c_str()) == 0;
}

bool LinkFreeDirectory::remove(const Path& name) const {
    return isOwnName(name) && ::unlinkat(descriptorOf(handle_), name.c_str(), 0) == 0;
}

std::vector<DirectoryEntry> LinkFreeDirectory::entries() const {
    std::vector<DirectoryEntry> found;
    // A descriptor of its own for the listing, whose reading position
    // fdopendir takes over and closedir closes.
    const int listing = ::openat(descriptorOf(handle_), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0) return found;
    DIR* directory = ::fdopendir(listing);
    if (!directory) {
        ::close(listing);
        return found;
    }
    while (const dirent* entry = ::readdir(directory)) {
        const Path name = entry->d_name;
        if (name == "." || name == "..") continue;
        found.push_back({name, status(name).kind});
    }
    ::closedir(directory);
    return found;
}

}  // namespace platform
