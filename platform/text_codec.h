#pragma once
// UTF-8 <-> wide text. std::wstring is UTF-16 on Windows and UTF-32 on POSIX.
// Malformed input (unpaired surrogates, invalid UTF-8 of any kind) becomes
// U+FFFD; nothing here fails. Callers handle the empty string themselves.
#include <string>
#include <string_view>

namespace platform {

std::string wideToUtf8(std::wstring_view text);
std::wstring utf8ToWide(std::string_view bytes);

}  // namespace platform
