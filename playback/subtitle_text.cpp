#include "playback/subtitle_text.h"

#include "platform/text_codec.h"

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

// Decoding replaces what is invalid, so valid text comes back unchanged.
bool isUtf8(std::string_view bytes) {
    return platform::wideToUtf8(platform::utf8ToWide(bytes)) == bytes;
}

}  // namespace

std::optional<platform::TextEncoding> textEncodingOf(std::string_view bytes) {
    if (bytes.starts_with(kUtf8Mark)) return std::nullopt;
    if (bytes.starts_with(kUtf16LeMark)) return platform::TextEncoding::utf16le;
    if (bytes.starts_with(kUtf16BeMark)) return platform::TextEncoding::utf16be;
    if (isUtf8(bytes)) return std::nullopt;
    return platform::TextEncoding::gb18030;
}

std::string subtitleTextToUtf8(std::string_view bytes) {
    const auto encoding = textEncodingOf(bytes);
    if (!encoding) return std::string(bytes.starts_with(kUtf8Mark) ? bytes.substr(kUtf8Mark.size()) : bytes);
    const bool marked = *encoding != platform::TextEncoding::gb18030;
    return platform::encodedTextToUtf8(marked ? bytes.substr(2) : bytes, *encoding);
}
