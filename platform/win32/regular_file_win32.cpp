#include "platform/regular_file.h"

#include <algorithm>
#include <windows.h>

namespace platform {

namespace {

HANDLE fileHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

// Shared for writing and deleting too, so a video still being copied in or
// removed meanwhile never fails its writer. A pipe, console or device that
// carries a file's name is refused by its type; a folder does not open at all.
std::unique_ptr<RegularFileReader> RegularFileReader::open(const std::filesystem::path& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return nullptr;
    }
    return std::unique_ptr<RegularFileReader>(new RegularFileReader(reinterpret_cast<std::intptr_t>(file)));
}

RegularFileReader::~RegularFileReader() {
    CloseHandle(fileHandle(handle));
}

std::int64_t RegularFileReader::readAt(std::uint64_t offset, void* buffer, std::size_t size) const {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD read = 0;
    if (ReadFile(fileHandle(handle), buffer, wanted, &read, &at)) return read;
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
}

std::uint64_t RegularFileReader::size() const {
    LARGE_INTEGER size{};
    return GetFileSizeEx(fileHandle(handle), &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
}

}  // namespace platform
