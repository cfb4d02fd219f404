#include "thumbs/video_discovery.h"

#include <algorithm>
#include <system_error>
#include <type_traits>

#include "platform/paths.h"

namespace fs = std::filesystem;

namespace {

// Errors that mean "nothing is there": the name, one of its directories or
// the target of a link is missing, the name is too long to exist, or a link
// points round in a loop. Such an entry is no video and no failure.
bool isNotFound(const std::error_code& error)
{
    return error == std::errc::no_such_file_or_directory
        || error == std::errc::not_a_directory
        || error == std::errc::filename_too_long
        || error == std::errc::too_many_symbolic_link_levels;
}

[[noreturn]] void raise(const char* operation, const fs::path& path, const std::error_code& error)
{
    throw fs::filesystem_error(operation, path, error);
}

// Only A to Z fold, byte by byte (or unit by unit), as in the C locale; a
// character outside ASCII never equals one of the table's.
bool equalsFolded(fs::path::value_type c, char wanted)
{
    const auto code = static_cast<std::make_unsigned_t<fs::path::value_type>>(c);
    const auto folded = (code >= 'A' && code <= 'Z') ? code + ('a' - 'A') : code;
    return folded == static_cast<unsigned char>(wanted);
}

bool equalsFolded(const fs::path::string_type& extension, std::string_view wanted)
{
    return std::equal(extension.begin(), extension.end(), wanted.begin(), wanted.end(),
                      [](fs::path::value_type c, char w) { return equalsFolded(c, w); });
}

bool isDirectoryRoot(const fs::path& root)
{
    std::error_code error;
    const fs::file_status status = fs::status(root, error);
    if (error && !isNotFound(error))
        raise("exists", root, error);
    return !error && fs::is_directory(status);
}

// Whether the walk's entry is a regular file, following a link. The walk
// already knows the type of every entry that is not a link, so only links
// (and entries on file systems that report no type) cost a query here.
// A link whose target is missing, or that loops, is reported as no file.
bool isRegularFile(const fs::directory_entry& entry)
{
    std::error_code error;
    const bool regular = entry.is_regular_file(error);
    if (error && !isNotFound(error))
        raise("directory_entry::status", entry.path(), error);
    return regular && !error;
}

// The file name without the name of a stream after it, where there can be one.
fs::path fileNameOf(const fs::path& path)
{
    fs::path::string_type name = path.filename().native();
    if (const auto colon = name.find(':'); platform::kFileNamesEndAtColon && colon != name.npos)
        name.resize(colon);
    return name;
}

}  // namespace

const std::array<std::string_view, 9>& videoExtensions()
{
    static constexpr std::array<std::string_view, 9> extensions{
        ".mp4", ".mkv", ".avi", ".mov", ".flv", ".wmv", ".m4v", ".mpeg", ".mpg"};
    return extensions;
}

bool isVideoFile(const fs::path& path)
{
    const fs::path::string_type extension = fileNameOf(path).extension().native();
    const auto& table = videoExtensions();
    return std::any_of(table.begin(), table.end(),
                       [&](std::string_view wanted) { return equalsFolded(extension, wanted); });
}

std::vector<fs::path> scanVideos(const fs::path& root)
{
    std::vector<fs::path> videos;
    if (!isDirectoryRoot(root))
        return videos;

    std::error_code error;
    fs::recursive_directory_iterator walk(root, error);
    if (error)
        raise("recursive_directory_iterator::recursive_directory_iterator", root, error);

    // A failed step ends the walk and drops its entry, so the entry's name
    // is kept for the error: a directory that cannot be entered is named.
    fs::path::string_type visited;
    for (const fs::recursive_directory_iterator end; walk != end;) {
        const fs::directory_entry& entry = *walk;
        if (isRegularFile(entry) && isVideoFile(entry.path()))
            videos.push_back(entry.path());
        visited.assign(entry.path().native());
        walk.increment(error);
        if (error)
            raise("recursive_directory_iterator::operator++", visited, error);
    }
    return videos;
}
