#pragma once
// Writing a file that holds secrets, and replacing a file in one step.
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

namespace platform {

// Creates `path` as an empty regular file, or empties it, readable and
// writable by its owner only (POSIX mode 0600; on Windows the folder's
// permissions apply). A symbolic link at `path` is not followed.
std::error_code createPrivateFile(const std::filesystem::path& path);

// Flushes `from` to the disk and renames it over `to`, so that `to` is
// always either the old file or the complete new one.
std::error_code replaceFileDurably(const std::filesystem::path& from, const std::filesystem::path& to);

// Which step of replacing a file with a private one failed, and why.
struct PrivateReplaceFailure {
    enum class Step { create, write, replace } step;
    std::error_code error;  // none for a failed write
};

// How the line breaks of a text reach the disk: as they are, or as the
// system writes text ("\r\n" on Windows).
enum class LineBreaks { asGiven, system };

// Writes `text` into a private "<target>.tmp" and replaces `target` with it
// durably, so `target` is always either the old file or the complete new
// one; on any failure the temporary file is removed.
std::optional<PrivateReplaceFailure> replaceWithPrivateFile(const std::filesystem::path& target, std::string_view text,
                                                            LineBreaks lineBreaks);

}  // namespace platform
