#include "config/text_conversion.h"

#include <gtest/gtest.h>

namespace {

const std::wstring kReplacement(1, wchar_t(0xFFFD));

std::wstring replacements(int count) {
    return std::wstring(static_cast<std::size_t>(count), wchar_t(0xFFFD));
}

// How many U+FFFD one malformed sequence gives is the converter's own choice
// (ours gives one per maximal subpart, Wine's MultiByteToWideChar fewer), so
// runs of them are compared as one.
std::wstring collapseReplacements(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == kReplacement[0] && !out.empty() && out.back() == c) continue;
        out += c;
    }
    return out;
}

TEST(TextConversion, ChineseTextRoundTrips) {
    const std::string bytes = "\xE7\x94\xB5\xE5\xBD\xB1";
    EXPECT_EQ(toUtf8(L"电影"), bytes);
    EXPECT_EQ(fromUtf8(bytes), L"电影");
}

TEST(TextConversion, EmptyStaysEmpty) {
    EXPECT_EQ(toUtf8(L""), "");
    EXPECT_EQ(fromUtf8(""), L"");
}

TEST(TextConversion, WholeLengthIncludingNul) {
    const std::wstring wide(L"a\0b", 3);
    const std::string bytes("a\0b", 3);
    EXPECT_EQ(toUtf8(wide), bytes);
    EXPECT_EQ(fromUtf8(bytes), wide);
}

TEST(TextConversion, SupplementaryCharacterRoundTrips) {
    const std::string bytes = "\xF0\x9F\x98\x80";  // U+1F600
    EXPECT_EQ(fromUtf8(bytes), L"\U0001F600");
    EXPECT_EQ(toUtf8(L"\U0001F600"), bytes);
}

TEST(TextConversion, EveryKindOfInvalidUtf8BecomesReplacement) {
    struct Case {
        const char* what;
        std::string bytes;
        std::wstring expected;
    };
    const Case cases[] = {
        {"single FF", "\xFF", kReplacement},
        {"byte never valid", "a\xF5z", L"a" + kReplacement + L"z"},
        {"stray continuation", "\x80", kReplacement},
        {"two stray continuations", "\x80\xBF", replacements(2)},
        {"overlong two-byte NUL", "\xC0\x80", replacements(2)},
        {"overlong three-byte slash", "\xE0\x80\xAF", replacements(3)},
        {"overlong four-byte", "\xF0\x80\x80\x80", replacements(4)},
        {"encoded surrogate", "\xED\xA0\x80", replacements(3)},
        {"above U+10FFFF", "\xF4\x90\x80\x80", replacements(4)},
        {"truncated at end", "ok\xE7\x94", L"ok" + kReplacement},
        {"truncated before ASCII",
         "\xE7\x94"
         "A",
         kReplacement + L"A"},
        {"truncated four-byte before lead", "\xF0\x9F\x98\xE7\x94\xB5", kReplacement + L"电"},
        {"lead at end", "\xC3", kReplacement},
        {"mixed", "\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64",
         L"a" + replacements(3) + L"b" + kReplacement + L"c" + replacements(2) + L"d"},
        {"last before surrogates", "\xED\x9F\xBF", std::wstring(1, wchar_t(0xD7FF))},
        {"highest code point", "\xF4\x8F\xBF\xBF", L"\U0010FFFF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(collapseReplacements(fromUtf8(c.bytes)), collapseReplacements(c.expected)) << c.what;
    }
}

TEST(TextConversion, UnpairedSurrogatesBecomeReplacement) {
    const std::wstring loneHigh{L'a', wchar_t(0xD83D), L'b'};
    const std::wstring loneLow{wchar_t(0xDE00)};
    EXPECT_EQ(toUtf8(loneHigh),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(toUtf8(loneLow), "\xEF\xBF\xBD");
}

}  // namespace
