#include "share/number_parse.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

namespace {

// The code point of each block's zero; the block holds the digits 0..9.
constexpr std::array<char32_t, 18> kDigitZeros = {
    U'0',      U'\uFF10', U'\u0660', U'\u06F0', U'\u0966', U'\u09E6', U'\u0A66', U'\u0AE6', U'\u0B66',
    U'\u0C66', U'\u0CE6', U'\u0D66', U'\u0E50', U'\u0ED0', U'\u0F20', U'\u1040', U'\u17E0', U'\u1810',
};

std::optional<int> digitValue(wchar_t ch) {
    const auto code = static_cast<char32_t>(ch);
    for (const char32_t zero : kDigitZeros)
        if (code >= zero && code <= zero + 9) return static_cast<int>(code - zero);
    return std::nullopt;
}

// ASCII white space, and the ideographic space a full-width input method types.
bool isBlank(wchar_t ch) {
    return ch == L' ' || (ch >= L'\t' && ch <= L'\r') || ch == L'\u3000';
}

}  // namespace

std::wstring dialogDigits() {
    std::wstring digits;
    for (const char32_t zero : kDigitZeros)
        for (char32_t digit = zero; digit <= zero + 9; ++digit) digits += static_cast<wchar_t>(digit);
    return digits;
}

std::int32_t parseDialogNumber(const std::wstring& text) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();

    auto at = std::find_if_not(text.begin(), text.end(), isBlank);
    bool negative = false;
    if (at != text.end() && (*at == L'+' || *at == L'-')) negative = *at++ == L'-';

    // Accumulate the magnitude, stopping once it is past every 32-bit value.
    std::int64_t magnitude = 0;
    for (; at != text.end(); ++at) {
        const auto digit = digitValue(*at);
        if (!digit) break;
        magnitude = std::min(magnitude * 10 + *digit, kMax + 1);
    }
    return static_cast<std::int32_t>(negative ? std::max(-magnitude, kMin) : std::min(magnitude, kMax));
}
