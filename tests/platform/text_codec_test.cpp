#include "platform/text_codec.h"

#include <cstdint>
#include <gtest/gtest.h>

namespace {

const std::string kReplacementUtf8 = "\xEF\xBF\xBD";
constexpr bool kWideIsUtf32 = sizeof(wchar_t) == 4;

std::size_t expectedUtf8Length(char32_t c) {
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

TEST(TextCodec, EveryScalarValueRoundTrips) {
    if (!kWideIsUtf32) GTEST_SKIP() << "wide text is UTF-16 here";
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        const std::wstring wide(1, static_cast<wchar_t>(c));
        const std::string bytes = platform::wideToUtf8(wide);
        ASSERT_EQ(bytes.size(), expectedUtf8Length(c)) << std::hex << std::uint32_t(c);
        ASSERT_EQ(platform::utf8ToWide(bytes), wide) << std::hex << std::uint32_t(c);
    }
}

TEST(TextCodec, CodePointsThatAreNotCharactersBecomeReplacement) {
    if (!kWideIsUtf32) GTEST_SKIP() << "wide text is UTF-16 here";
    for (char32_t c = 0xD800; c <= 0xDFFF; ++c) {
        ASSERT_EQ(platform::wideToUtf8(std::wstring(1, wchar_t(c))), kReplacementUtf8) << std::hex << std::uint32_t(c);
    }
    for (const auto c : {0x110000L, 0x7FFFFFFFL, -1L}) {
        EXPECT_EQ(platform::wideToUtf8(std::wstring{L'a', wchar_t(c), L'b'}), "a" + kReplacementUtf8 + "b");
    }
}

// A surrogate pair is one character in UTF-16 but two stray code points in UTF-32.
TEST(TextCodec, SurrogatePairFollowsTheWideEncoding) {
    const std::wstring pair{wchar_t(0xD83D), wchar_t(0xDE00)};
    EXPECT_EQ(platform::wideToUtf8(pair),
              kWideIsUtf32 ? kReplacementUtf8 + kReplacementUtf8 : std::string("\xF0\x9F\x98\x80"));
}

}  // namespace
