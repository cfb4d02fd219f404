#include "platform/link_free_directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <system_error>

#include "platform/server_process.h"

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

// A user and its groups, to judge by the mode bits what it may do.
struct Account {
    uid_t user = 0;
    std::vector<gid_t> groups;
};

// A user without an account (a folder of a deleted user) has no groups.
Account accountOf(uid_t user) {
    Account account{user, {}};
    std::vector<char> buffer(16 * 1024);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(user, &entry, buffer.data(), buffer.size(), &found) != 0 || !found) return account;
    int count = 64;
    account.groups.resize(static_cast<std::size_t>(count));
    if (::getgrouplist(found->pw_name, found->pw_gid, account.groups.data(), &count) < 0) {
        account.groups.resize(static_cast<std::size_t>(count));
        ::getgrouplist(found->pw_name, found->pw_gid, account.groups.data(), &count);
    }
    account.groups.resize(static_cast<std::size_t>(std::max(count, 0)));
    return account;
}

// Whether `account` may do `what` (S_IROTH to read, S_IXOTH to search) to
// the file `status` describes.
bool accountMay(const Account& account, const struct stat& status, mode_t what) {
    if (status.st_uid == account.user) return status.st_mode & (what << 6);
    if (std::find(account.groups.begin(), account.groups.end(), status.st_gid) != account.groups.end())
        return status.st_mode & (what << 3);
    return status.st_mode & what;
}

constexpr const char* kOwnerMayNotRead = "the shared folder's owner may not read it";

}  // namespace

std::unique_ptr<LinkFreeDirectory> LinkFreeDirectory::open(const Path& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return nullptr;
    return std::unique_ptr<LinkFreeDirectory>(new LinkFreeDirectory(path, descriptor));
}

LinkFreeDirectory::~LinkFreeDirectory() {
    ::close(descriptorOf(m_handle));
}

std::unique_ptr<LinkFreeDirectory> LinkFreeDirectory::child(const Path& name, bool make) const {
    if (!isOwnName(name)) return nullptr;
    // mkdirat never follows a link at the name: it finds the name taken.
    if (make && ::mkdirat(descriptorOf(m_handle), name.c_str(), 0777) != 0 && errno != EEXIST) return nullptr;
    // O_NOFOLLOW refuses a link, O_DIRECTORY anything else that is no directory.
    const int descriptor =
        ::openat(descriptorOf(m_handle), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) return nullptr;
    return std::unique_ptr<LinkFreeDirectory>(new LinkFreeDirectory(m_path / name, descriptor));
}

EntryStatus LinkFreeDirectory::status(const Path& name) const {
    struct stat status {};
    if (!isOwnName(name) || ::fstatat(descriptorOf(m_handle), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return {};
    return {kindOf(status.st_mode), static_cast<std::uint64_t>(status.st_size)};
}

bool LinkFreeDirectory::writeNewFile(const Path& name, std::span<const unsigned char> bytes) const {
    if (!isOwnName(name)) return false;
    // O_EXCL: whatever stands at the name, a dangling link included, makes
    // the open fail instead of being written through.
    const int descriptor =
        ::openat(descriptorOf(m_handle), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (descriptor < 0) return false;
    const bool written = writeAll(descriptor, bytes);
    const bool closed = ::close(descriptor) == 0;
    if (written && closed) return true;
    remove(name);
    return false;
}

bool LinkFreeDirectory::rename(const Path& from, const Path& to) const {
    return isOwnName(from) && isOwnName(to) &&
           ::renameat(descriptorOf(m_handle), from.c_str(), descriptorOf(m_handle), to.c_str()) == 0;
}

bool LinkFreeDirectory::remove(const Path& name) const {
    return isOwnName(name) && ::unlinkat(descriptorOf(m_handle), name.c_str(), 0) == 0;
}

std::vector<DirectoryEntry> LinkFreeDirectory::entries() const {
    std::vector<DirectoryEntry> found;
    // A descriptor of its own for the listing, whose reading position
    // fdopendir takes over and closedir closes.
    const int listing = ::openat(descriptorOf(m_handle), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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

LinkFreeDirectory::Path LinkFreeDirectory::heldPath() const {
    const Path own = "/proc/self/fd/" + std::to_string(descriptorOf(m_handle));
    std::error_code error;
    return std::filesystem::is_directory(own, error) ? own : m_path;
}

std::unique_ptr<RegularFileReader> LinkFreeDirectory::openServedFile(const Path& relative, std::string& refusal) const {
    refusal = "not a regular file that may be read";
    // Root reads what the owner of the folder could not; the owner's rights
    // are checked by hand then, on each folder on the way and on the file.
    struct stat status {};
    if (::fstat(descriptorOf(m_handle), &status) != 0) return nullptr;
    const bool checkOwner = ::geteuid() == 0 && status.st_uid != 0;
    const Account owner = checkOwner ? accountOf(status.st_uid) : Account{};
    auto ownerMay = [&](int descriptor, mode_t what) {
        return !checkOwner || (::fstat(descriptor, &status) == 0 && accountMay(owner, status, what));
    };
    std::unique_ptr<LinkFreeDirectory> below;
    const LinkFreeDirectory* directory = this;
    for (const Path& name : relative.parent_path()) {
        if (!ownerMay(descriptorOf(directory->m_handle), S_IXOTH)) {
            refusal = kOwnerMayNotRead;
            return nullptr;
        }
        below = directory->child(name, false);
        if (!below) return nullptr;
        directory = below.get();
    }
    const int at = descriptorOf(directory->m_handle);
    if (!ownerMay(at, S_IXOTH)) {
        refusal = kOwnerMayNotRead;
        return nullptr;
    }

    const Path name = relative.filename();
    struct stat own {
    }, target{};
    if (!isOwnName(name) || ::fstatat(at, name.c_str(), &own, AT_SYMLINK_NOFOLLOW) != 0) return nullptr;
    const bool link = S_ISLNK(own.st_mode);
    if (link && ::fstatat(at, name.c_str(), &target, 0) != 0) return nullptr;
    // nginx's "disable_symlinks if_not_owner".
    if (link && kServerChecksLinkOwners && own.st_uid != target.st_uid) {
        refusal = "a link to a file its owner does not own, which the web server refuses";
        return nullptr;
    }
    // O_NONBLOCK: a FIFO with no writer does not make the open wait.
    const int descriptor =
        ::openat(at, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (link ? 0 : O_NOFOLLOW));
    if (descriptor < 0) return nullptr;
    std::unique_ptr<RegularFileReader> file(new RegularFileReader(descriptor));
    struct stat opened {};
    if (::fstat(descriptor, &opened) != 0 || !S_ISREG(opened.st_mode)) return nullptr;
    // A link changed between the look and the open leads elsewhere.
    if (link && (opened.st_dev != target.st_dev || opened.st_ino != target.st_ino)) return nullptr;
    if (!ownerMay(descriptor, S_IROTH)) {
        refusal = kOwnerMayNotRead;
        return nullptr;
    }
    refusal.clear();
    return file;
}

}  // namespace platform
