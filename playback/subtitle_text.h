#pragma once
// A subtitle file's text as UTF-8, whatever it was saved in: Chinese
// subtitles come as GBK (GB18030's older part) from Windows editors, as
// UTF-16 from Notepad's "Unicode", and as UTF-8 with or without a BOM.
#include <optional>
#include <string>
#include <string_view>

#include "platform/text_encoding.h"

// The encoding of `bytes` that needs conversion: UTF-16 when a byte order
// mark says so, GB18030 when the text is no valid UTF-8; none for UTF-8.
std::optional<platform::TextEncoding> textEncodingOf(std::string_view bytes);

// `bytes` in UTF-8, without a byte order mark.
std::string subtitleTextToUtf8(std::string_view bytes);
