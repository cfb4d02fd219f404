#include "platform/file_identity.h"

#include <sys/stat.h>

namespace platform {

std::optional<FileNames> fileNames(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    return FileNames{{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)},
                     static_cast<std::uint64_t>(status.st_nlink)};
}

}  // namespace platform
