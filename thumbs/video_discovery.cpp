#include "thumbs/video_discovery.h"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <system_error>
#include <type_traits>

#include "platform/paths.h"

namespace fs = std::filesystem;

namespace {

// Errors that mean "nothing is there": the name, one of its directories or
// the target of a link is missing, the name is too long to exist, or a link
// points round in a loop. Such an entry is no video and no failure.
bool isNotFound(const std::error_code& error) {
    return error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory ||
           error == std::errc::filename_too_long || error == std::errc::too_many_symbolic_link_levels;
}

[[noreturn]] void raise(const char* operation, const fs::path& path, const std::error_code& error) {
    throw fs::filesystem_error(operation, path, error);
}

// Only A to Z fold, byte by byte (or unit by unit), as in the C locale; a
// character outside ASCII never equals one of the table's.
bool equalsFolded(fs::path::value_type c, char wanted) {
    const auto code = static_cast<std::make_unsigned_t<fs::path::value_type>>(c);
    const auto folded = (code >= 'A' && code <= 'Z') ? code + ('a' - 'A') : code;
    return folded == static_cast<unsigned char>(wanted);
}

using NameView = std::basic_string_view<fs::path::value_type>;

bool equalsFolded(NameView extension, std::string_view wanted) {
    return std::equal(extension.begin(), extension.end(), wanted.begin(), wanted.end(),
                      [](fs::path::value_type c, char w) { return equalsFolded(c, w); });
}

// The extension of the path's file name as path::extension() gives it, read
// from the path's last element, which the path already holds, instead of a
// new path built for each name. Where a file name ends at its first colon,
// what follows (the name of a stream of the file) is left out. A name without
// a dot or with its only dot first (".mp4") has none; "." and ".." have none
// either, and what this would give for ".." ("."), no table holds.
NameView extensionOf(const fs::path& path) {
    if (path.empty()) return {};
    NameView name = std::prev(path.end())->native();
    if (const auto colon = name.find(fs::path::value_type{':'});
        platform::kFileNamesEndAtColon && colon != NameView::npos)
        name = name.substr(0, colon);
    const std::size_t dot = name.rfind(fs::path::value_type{'.'});
    if (dot == NameView::npos || dot == 0) return {};
    return name.substr(dot);
}

bool isDirectoryRoot(const fs::path& root) {
    std::error_code error;
    const fs::file_status status = fs::status(root, error);
    if (error && !isNotFound(error)) raise("exists", root, error);
    return !error && fs::is_directory(status);
}

// Whether the walk's entry is a regular file, following a link. The walk
// already knows the type of every entry that is not a link, so only links
// (and entries on file systems that report no type) cost a query here.
// A link whose target is missing, or that loops, is reported as no file.
bool isRegularFile(const fs::directory_entry& entry) {
    std::error_code error;
    const bool regular = entry.is_regular_file(error);
    if (error && !isNotFound(error)) raise("directory_entry::status", entry.path(), error);
    return regular && !error;
}

bool isEnteredDirectory(const fs::directory_entry& entry) {
    std::error_code error;
    return entry.is_directory(error) && !entry.is_symlink(error);
}

bool mayNotBeOpened(const fs::path& directory) {
    std::error_code error;
    fs::directory_iterator{directory, error};
    return error == std::errc::permission_denied;
}

}  // namespace

const decltype(video_kinds::kExtensions)& videoExtensions() {
    return video_kinds::kExtensions;
}

bool isVideoFile(const fs::path& path) {
    const NameView extension = extensionOf(path);
    const auto& table = videoExtensions();
    return std::any_of(table.begin(), table.end(),
                       [&](std::string_view wanted) { return equalsFolded(extension, wanted); });
}

std::vector<fs::path> scanVideos(const fs::path& root, std::vector<fs::path>* unreadable) {
    std::vector<fs::path> videos;
    if (!isDirectoryRoot(root)) return videos;

    // Skipping what may not be opened would hide an unreadable root too.
    std::error_code error;
    if (unreadable) fs::directory_iterator{root, error};
    if (error) raise("recursive_directory_iterator::recursive_directory_iterator", root, error);
    const auto options = unreadable ? fs::directory_options::skip_permission_denied : fs::directory_options::none;
    fs::recursive_directory_iterator walk(root, options, error);
    if (error) raise("recursive_directory_iterator::recursive_directory_iterator", root, error);

    // A failed step ends the walk and drops its entry, so the entry's name
    // is kept for the error: a directory that cannot be entered is named.
    fs::path::string_type visited;
    for (const fs::recursive_directory_iterator end; walk != end;) {
        const fs::directory_entry& entry = *walk;
        if (isRegularFile(entry) && isVideoFile(entry.path())) videos.push_back(entry.path());
        visited.assign(entry.path().native());
        const bool directory = unreadable && isEnteredDirectory(entry);
        const int depth = walk.depth();
        walk.increment(error);
        if (error) raise("recursive_directory_iterator::operator++", visited, error);
        // A directory the walk did not go into is empty or was skipped.
        if (directory && (walk == end || walk.depth() <= depth) && mayNotBeOpened(visited))
            unreadable->push_back(visited);
    }
    return videos;
}
