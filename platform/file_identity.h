#pragma once
// Which file a name leads to, so that two names of one file (hard links) can
// be told apart from two files that hold the same bytes.
#include <compare>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace platform {

// Equal for every name of one file; different for any two files that exist at
// the same time. POSIX: the device and the inode; Windows: the volume's serial
// number and the file index.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    friend auto operator<=>(const FileIdentity&, const FileIdentity&) = default;
};

struct FileNames {
    FileIdentity identity;
    std::uint64_t count = 0;  // how many names (hard links) the file has
};

// The identity of the file `path` leads to (a symbolic link followed) and how
// many names it has; nullopt when it cannot be found or opened. On Windows the
// file is opened for its attributes only, sharing every access, so no one
// else's use of it is hindered.
std::optional<FileNames> fileNames(const std::filesystem::path& path);

}  // namespace platform
