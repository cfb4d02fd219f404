#include "config/text_conversion.h"

#include "platform/text_codec.h"

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    return platform::wideToUtf8(text);
}

std::wstring fromUtf8(const std::string& bytes) {
    if (bytes.empty()) return {};
    return platform::utf8ToWide(bytes);
}
