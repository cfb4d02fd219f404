#pragma once
// Text in one of Windows' code pages as wide (UTF-16) text, for the
// conversions that read UTF-8 and GB18030.
#include <windows.h>

#include <string>
#include <string_view>

namespace platform {

// Malformed input becomes U+FFFD; empty when there is nothing to convert.
std::wstring codePageToWide(UINT codePage, std::string_view bytes);

}  // namespace platform
