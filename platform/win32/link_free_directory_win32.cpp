#include "platform/link_free_directory.h"

#include <windows.h>

#include <algorithm>

namespace platform {
namespace {

HANDLE handleOf(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

EntryKind kindOf(DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return EntryKind::link;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return EntryKind::directory;
    if (attributes & FILE_ATTRIBUTE_DEVICE) return EntryKind::other;
    return EntryKind::regularFile;
}

// A directory handle that shares no deletion: while it is held, the
// directory cannot be renamed, removed or replaced by a link, so what was
// checked once stays true. `flags` adds FILE_FLAG_OPEN_REPARSE_POINT to
// open a link itself instead of its target.
HANDLE openDirectory(const std::filesystem::path& path, DWORD flags) {
    const HANDLE handle =
        CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool plainDirectory = GetFileInformationByHandle(handle, &information) &&
                                kindOf(information.dwFileAttributes) == EntryKind::directory;
    if (plainDirectory) return handle;
    CloseHandle(handle);
    return nullptr;
}

bool writeAll(HANDLE file, std::span<const unsigned char> bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes = bytes.subspan(written);
    }
    return true;
}

}  // namespace

std::unique_ptr<LinkFreeDirectory> LinkFreeDirectory::open(const Path& path) {
    const HANDLE handle = openDirectory(path, 0);
    if (!handle) return nullptr;
    return std::unique_ptr<LinkFreeDirectory>(new LinkFreeDirectory(path, reinterpret_cast<std::intptr_t>(handle)));
}

LinkFreeDirectory::~LinkFreeDirectory() {
    CloseHandle(handleOf(m_handle));
}

std::unique_ptr<LinkFreeDirectory> LinkFreeDirectory::child(const Path& name, bool make) const {
    if (!isOwnName(name)) return nullptr;
    const Path path = m_path / name;
    // CreateDirectoryW finds a link at the name taken; it never follows it.
    if (make && !CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return nullptr;
    const HANDLE handle = openDirectory(path, FILE_FLAG_OPEN_REPARSE_POINT);
    if (!handle) return nullptr;
    return std::unique_ptr<LinkFreeDirectory>(new LinkFreeDirectory(path, reinterpret_cast<std::intptr_t>(handle)));
}

EntryStatus LinkFreeDirectory::status(const Path& name) const {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    // The attributes are those of a link itself, not of its target.
    if (!isOwnName(name) || !GetFileAttributesExW((m_path / name).c_str(), GetFileExInfoStandard, &data)) return {};
    return {kindOf(data.dwFileAttributes), (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow};
}

bool LinkFreeDirectory::writeNewFile(const Path& name, std::span<const unsigned char> bytes) const {
    if (!isOwnName(name)) return false;
    // CREATE_NEW fails on anything at the name, a link included.
    const HANDLE file = CreateFileW((m_path / name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool written = writeAll(file, bytes);
    const bool closed = CloseHandle(file) != 0;
    if (written && closed) return true;
    remove(name);
    return false;
}

bool LinkFreeDirectory::rename(const Path& from, const Path& to) const {
    return isOwnName(from) && isOwnName(to) &&
           MoveFileExW((m_path / from).c_str(), (m_path / to).c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool LinkFreeDirectory::remove(const Path& name) const {
    return isOwnName(name) && DeleteFileW((m_path / name).c_str());
}

std::vector<DirectoryEntry> LinkFreeDirectory::entries() const {
    std::vector<DirectoryEntry> found;
    WIN32_FIND_DATAW data{};
    const HANDLE search =
        FindFirstFileExW((m_path / L"*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        const Path name = data.cFileName;
        if (name != L"." && name != L"..") found.push_back({name, kindOf(data.dwFileAttributes)});
    } while (FindNextFileW(search, &data));
    FindClose(search);
    return found;
}

LinkFreeDirectory::Path LinkFreeDirectory::heldPath() const {
    return m_path;
}

// nginx for Windows follows links, and the program reads with the rights of
// the user who shares.
std::unique_ptr<RegularFileReader> LinkFreeDirectory::openServedFile(const Path& relative, std::string& refusal) const {
    std::unique_ptr<RegularFileReader> file = RegularFileReader::open(m_path / relative);
    if (!file) refusal = "not a regular file that may be read";
    return file;
}

}  // namespace platform
