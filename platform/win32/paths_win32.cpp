#include "platform/paths.h"

#include <windows.h>

#include "platform/text_codec.h"

namespace platform {

// The program's path must fit in MAX_PATH units; a longer one is reported as
// not found rather than returned cut short.
std::filesystem::path executablePath() {
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return std::wstring(buffer, length);
}

std::filesystem::path pathFromUtf8(const std::string& utf8) {
    if (utf8.empty()) return {};
    return std::filesystem::path(utf8ToWide(utf8));
}

}  // namespace platform
