#include "platform/private_file.h"

#include <windows.h>

namespace platform {
namespace {

std::error_code lastError() {
    return {static_cast<int>(GetLastError()), std::system_category()};
}

}  // namespace

std::error_code createPrivateFile(const std::filesystem::path& path) {
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return lastError();
    CloseHandle(file);
    return {};
}

std::error_code replaceFileDurably(const std::filesystem::path& from, const std::filesystem::path& to) {
    const HANDLE file =
        CreateFileW(from.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return lastError();
    const BOOL flushed = FlushFileBuffers(file);
    const std::error_code flushError = flushed ? std::error_code{} : lastError();
    CloseHandle(file);
    if (flushError) return flushError;
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return lastError();
    }
    return {};
}

}  // namespace platform
