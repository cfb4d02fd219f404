#pragma once
// Reading a file only when it is a plain regular file: a FIFO, socket or
// device that carries a file's name is refused without ever blocking on it.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace platform {

class RegularFileReader {
public:
    // Null when `path` is not a regular file (after following links) or
    // cannot be opened for reading. The open itself never waits for a writer.
    static std::unique_ptr<RegularFileReader> open(const std::filesystem::path& path);
    ~RegularFileReader();
    RegularFileReader(const RegularFileReader&) = delete;
    RegularFileReader& operator=(const RegularFileReader&) = delete;

    // Up to `size` bytes from `offset` into `buffer`: the count read, 0 at
    // the end of the file, negative on a read error.
    std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t size) const;
    std::uint64_t size() const;

private:
    friend class LinkFreeDirectory;  // opens served files below a held directory
    // A file descriptor on POSIX systems, a file handle on Windows.
    explicit RegularFileReader(std::intptr_t handle) : handle(handle) {}
    std::intptr_t handle;
};

// The bytes of `file` from its start to where it ends now; nullopt on a read
// error.
std::optional<std::string> readWholeFile(const RegularFileReader& file);

}  // namespace platform
