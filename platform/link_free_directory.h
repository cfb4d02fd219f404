#pragma once
// A directory held open, in which entries are looked up, made, written,
// renamed and removed by name without ever going through a symbolic link
// (on Windows, any reparse point): a link is reported as one, never followed.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/regular_file.h"

namespace platform {

enum class EntryKind { missing, directory, regularFile, link, other };

struct EntryStatus {
    EntryKind kind = EntryKind::missing;
    std::uint64_t size = 0;  // of a regular file
};

struct DirectoryEntry {
    std::filesystem::path name;
    EntryKind kind;
};

class LinkFreeDirectory {
public:
    using Path = std::filesystem::path;

    // The directory at `path`, which is resolved as given (links on the way
    // included). Null when it is no directory or cannot be opened.
    static std::unique_ptr<LinkFreeDirectory> open(const Path& path);
    ~LinkFreeDirectory();
    LinkFreeDirectory(const LinkFreeDirectory&) = delete;
    LinkFreeDirectory& operator=(const LinkFreeDirectory&) = delete;

    // The subdirectory `name` (one path element), made first when missing
    // and `make` is set. Null when a link or anything but a directory stands
    // there, or when it cannot be made or opened.
    std::unique_ptr<LinkFreeDirectory> child(const Path& name, bool make) const;

    EntryStatus status(const Path& name) const;

    // Creates the file `name`, which must not exist (a link there counts as
    // existing), and writes `bytes` to it. False on any failure, and then
    // nothing of the new file is left.
    bool writeNewFile(const Path& name, std::span<const unsigned char> bytes) const;

    // Renames `from` onto `to`, both entries of this directory; whatever
    // stood at `to`, a link included, is replaced, never written through.
    bool rename(const Path& from, const Path& to) const;

    // Removes the file or link `name` itself.
    bool remove(const Path& name) const;

    // Every entry but "." and "..", in no particular order.
    std::vector<DirectoryEntry> entries() const;

    // A path that leads to this very directory for as long as it is held,
    // even after it was renamed or its name given to a link: on Linux the
    // process's own name for the descriptor (/proc/self/fd/N). Elsewhere the
    // path it was opened by; on Windows the held handle keeps the directory
    // from being renamed or removed.
    Path heldPath() const;

    // The regular file at `relative` (below this directory), opened for
    // reading as the web server would serve it: no link on the way is
    // followed, and a link at the file's own name only where the server
    // would follow it (its owner owning the file, where the server checks
    // owners). Run as root, a file that this directory's owner could not
    // read is refused too. Null when refused or no readable regular file;
    // `refusal` then says why (UTF-8).
    std::unique_ptr<RegularFileReader> openServedFile(const Path& relative, std::string& refusal) const;

private:
    LinkFreeDirectory(Path path, std::intptr_t handle) : m_path(std::move(path)), m_handle(handle) {}
    // A name of this directory's own: no separator, not "." or "..".
    static bool isOwnName(const Path& name) {
        return !name.empty() && name == name.filename() && name != "." && name != "..";
    }

    Path m_path;             // as it was opened
    std::intptr_t m_handle;  // a descriptor on POSIX, a HANDLE on Windows
};

}  // namespace platform
