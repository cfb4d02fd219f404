#pragma once
// Text in the encodings that subtitle files come in, to UTF-8. Bytes that do
// not belong to the encoding become U+FFFD (or are dropped); nothing here fails.
#include <string>
#include <string_view>

namespace platform {

enum class TextEncoding { gb18030, utf16le, utf16be };

// `bytes` without a byte order mark.
std::string encodedTextToUtf8(std::string_view bytes, TextEncoding encoding);

}  // namespace platform
