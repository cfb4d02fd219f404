#include "platform/text_codec.h"

#include <windows.h>

#include "platform/win32/code_page_win32.h"

namespace platform {

// Both converters are called twice: once for the output length, once to fill
// a buffer of that length. With no flags, malformed input becomes U+FFFD.
std::string wideToUtf8(std::wstring_view text) {
    const int inputLength = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), inputLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), inputLength, out.data(), length, nullptr, nullptr);
    return out;
}

std::wstring codePageToWide(UINT codePage, std::string_view bytes) {
    const int inputLength = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), inputLength, nullptr, 0);
    if (length <= 0) return {};
    std::wstring out(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), inputLength, out.data(), length);
    return out;
}

std::wstring utf8ToWide(std::string_view bytes) {
    return codePageToWide(CP_UTF8, bytes);
}

}  // namespace platform
