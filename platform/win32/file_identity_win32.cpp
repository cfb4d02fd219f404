#include "platform/file_identity.h"

#include <windows.h>

namespace platform {

// FILE_FLAG_BACKUP_SEMANTICS lets a folder open too; no access right is asked
// for, only the attributes are read.
std::optional<FileNames> fileNames(const std::filesystem::path& path) {
    const HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool read = GetFileInformationByHandle(file, &information);
    CloseHandle(file);
    if (!read) return std::nullopt;
    const std::uint64_t index =
        static_cast<std::uint64_t>(information.nFileIndexHigh) << 32 | information.nFileIndexLow;
    return FileNames{{information.dwVolumeSerialNumber, index}, information.nNumberOfLinks};
}

}  // namespace platform
