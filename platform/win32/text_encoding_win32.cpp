#include "platform/text_encoding.h"

#include <windows.h>

#include "platform/text_codec.h"
#include "platform/win32/code_page_win32.h"

namespace platform {
namespace {

constexpr UINT kGb18030CodePage = 54936;

// wchar_t is UTF-16 here; an odd last byte is dropped.
std::wstring utf16ToWide(std::string_view bytes, bool bigEndian) {
    std::wstring out(bytes.size() / 2, L'\0');
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        out[i] = static_cast<wchar_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    }
    return out;
}

}  // namespace

std::string encodedTextToUtf8(std::string_view bytes, TextEncoding encoding) {
    const std::wstring wide = encoding == TextEncoding::gb18030 ? codePageToWide(kGb18030CodePage, bytes)
                                                                : utf16ToWide(bytes, encoding == TextEncoding::utf16be);
    return wide.empty() ? std::string() : wideToUtf8(wide);
}

}  // namespace platform
