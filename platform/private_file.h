#pragma once
// Writing a file that holds secrets, and replacing a file in one step.
#include <filesystem>
#include <system_error>

namespace platform {

// Creates `path` as an empty regular file, or empties it, readable and
// writable by its owner only (POSIX mode 0600; on Windows the folder's
// permissions apply). A symbolic link at `path` is not followed.
std::error_code createPrivateFile(const std::filesystem::path& path);

// Flushes `from` to the disk and renames it over `to`, so that `to` is
// always either the old file or the complete new one.
std::error_code replaceFileDurably(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace platform
