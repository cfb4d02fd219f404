#include <gtest/gtest.h>

#include "share/number_parse.h"

TEST(DialogNumber, ReadsDigitsUpToTheFirstOther) {
    EXPECT_EQ(parseDialogNumber(L"8080"), 8080);
    EXPECT_EQ(parseDialogNumber(L"8080abc"), 8080);
    EXPECT_EQ(parseDialogNumber(L"80 80"), 80);
    EXPECT_EQ(parseDialogNumber(L"007"), 7);
}

TEST(DialogNumber, NoDigitsGiveZero) {
    EXPECT_EQ(parseDialogNumber(L""), 0);
    EXPECT_EQ(parseDialogNumber(L"abc"), 0);
    EXPECT_EQ(parseDialogNumber(L"-"), 0);
    EXPECT_EQ(parseDialogNumber(L"+-5"), 0);
    EXPECT_EQ(parseDialogNumber(L"x5"), 0);
}

TEST(DialogNumber, SkipsLeadingBlanksAndTakesOneSign) {
    EXPECT_EQ(parseDialogNumber(L"  \t42"), 42);
    EXPECT_EQ(parseDialogNumber(L"\u3000\u3000"
                                L"42"),
              42);
    EXPECT_EQ(parseDialogNumber(L"+42"), 42);
    EXPECT_EQ(parseDialogNumber(L"-42"), -42);
    EXPECT_EQ(parseDialogNumber(L"- 42"), 0);
}

TEST(DialogNumber, SaturatesAtTheThirtyTwoBitLimits) {
    EXPECT_EQ(parseDialogNumber(L"2147483647"), 2147483647);
    EXPECT_EQ(parseDialogNumber(L"2147483648"), 2147483647);
    EXPECT_EQ(parseDialogNumber(L"99999999999"), 2147483647);
    EXPECT_EQ(parseDialogNumber(L"-2147483648"), -2147483647 - 1);
    EXPECT_EQ(parseDialogNumber(L"-99999999999999999999999"), -2147483647 - 1);
}

TEST(DialogNumber, ReadsFullWidthAndOtherDecimalDigits) {
    EXPECT_EQ(parseDialogNumber(L"\uFF18\uFF10\uFF18\uFF10"), 8080);  // ８０８０
    EXPECT_EQ(parseDialogNumber(L"\uFF18\uFF10x"), 80);
    EXPECT_EQ(parseDialogNumber(L"\u0661\u0662\u0663"), 123);  // Arabic-Indic
    EXPECT_EQ(parseDialogNumber(L"\u0969\u096A"), 34);         // Devanagari
    EXPECT_EQ(parseDialogNumber(L"\u1819\u1810"), 90);         // Mongolian, the last block
    EXPECT_EQ(parseDialogNumber(L"8\uFF10\u0E58"), 808);       // mixed blocks
    EXPECT_EQ(parseDialogNumber(L"\u4E00\u4E8C"), 0);          // 一二 are not digits
    EXPECT_EQ(parseDialogNumber(L"\uFF1A"), 0);                // the code point after ９
}

// The boxes let exactly these characters be typed: each reads as its digit.
TEST(DialogNumber, EveryDigitTheBoxesTakeReadsAsItsValue) {
    const std::wstring digits = dialogDigits();
    ASSERT_EQ(digits.size(), 180u);
    for (std::size_t i = 0; i < digits.size(); ++i)
        EXPECT_EQ(parseDialogNumber(std::wstring(1, digits[i])), static_cast<int>(i % 10))
            << std::hex << int(digits[i]);
    EXPECT_EQ(digits.find(L'\u4E00'), std::wstring::npos);
}
