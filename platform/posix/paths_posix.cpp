#include "platform/paths.h"

#include <system_error>

#include "platform/text_codec.h"

namespace platform {

std::wstring executablePath() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return utf8ToWide(self.native());
}

std::filesystem::path pathFromUtf8(const std::string& utf8) {
    return utf8;
}

}  // namespace platform
