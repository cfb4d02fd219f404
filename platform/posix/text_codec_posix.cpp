// UTF-8 <-> UTF-32 (std::wstring on POSIX). Malformed input of any kind
// becomes U+FFFD; an invalid UTF-8 sequence is replaced one "maximal subpart"
// at a time, the way Windows and the Unicode standard recommend.
#include "platform/text_codec.h"

#include <cstdint>

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kMaxCodePoint = 0x10FFFF;

bool isSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// What a lead byte promises: how many continuation bytes follow, and the
// range the first of them must lie in. The narrowed ranges after E0, ED, F0
// and F4 are what rule out overlong forms, encoded surrogates and values
// above U+10FFFF.
struct LeadByte {
    int continuations = 0;  // -1: not a lead byte at all
    std::uint8_t firstMin = 0x80;
    std::uint8_t firstMax = 0xBF;
    char32_t bits = 0;
};

LeadByte describeLead(std::uint8_t b) {
    if (b < 0x80) return {0, 0x80, 0xBF, b};
    if (b < 0xC2) return {-1};
    if (b < 0xE0) return {1, 0x80, 0xBF, char32_t(b & 0x1F)};
    if (b == 0xE0) return {2, 0xA0, 0xBF, char32_t(b & 0x0F)};
    if (b == 0xED) return {2, 0x80, 0x9F, char32_t(b & 0x0F)};
    if (b < 0xF0) return {2, 0x80, 0xBF, char32_t(b & 0x0F)};
    if (b == 0xF0) return {3, 0x90, 0xBF, char32_t(b & 0x07)};
    if (b < 0xF4) return {3, 0x80, 0xBF, char32_t(b & 0x07)};
    if (b == 0xF4) return {3, 0x80, 0x8F, char32_t(b & 0x07)};
    return {-1};
}

// Decodes one code point starting at `pos` and advances `pos` past it, or
// past the maximal subpart of an invalid sequence (returning U+FFFD).
char32_t decodeOne(std::string_view bytes, std::size_t& pos) {
    const LeadByte lead = describeLead(static_cast<std::uint8_t>(bytes[pos++]));
    if (lead.continuations < 0) return kReplacement;
    char32_t c = lead.bits;
    for (int i = 0; i < lead.continuations; ++i) {
        const std::uint8_t min = i == 0 ? lead.firstMin : 0x80;
        const std::uint8_t max = i == 0 ? lead.firstMax : 0xBF;
        if (pos == bytes.size()) return kReplacement;
        const auto b = static_cast<std::uint8_t>(bytes[pos]);
        if (b < min || b > max) return kReplacement;  // this byte starts afresh
        c = (c << 6) | (b & 0x3F);
        ++pos;
    }
    return c;
}

}  // namespace

std::string wideToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t w : text) {
        const auto c = static_cast<char32_t>(w);
        appendUtf8(out, isSurrogate(c) || c > kMaxCodePoint ? kReplacement : c);
    }
    return out;
}

std::wstring utf8ToWide(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (std::size_t pos = 0; pos < bytes.size();) {
        out += static_cast<wchar_t>(decodeOne(bytes, pos));
    }
    return out;
}

}  // namespace platform
