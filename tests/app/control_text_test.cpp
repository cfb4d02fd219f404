// The window framework's forms of toUtf8 and fromUtf8 end at the first NUL,
// as the text of a control does.
#include <gtest/gtest.h>
#include <string>

#include "app/control_text.h"

namespace {

using namespace std::string_literals;

TEST(ControlTextTest, ChineseRoundTripsAndMalformedBytesBecomeTheReplacementCharacter) {
    EXPECT_EQ(toUtf8(wxString(L"电影")), "\xE7\x94\xB5\xE5\xBD\xB1");
    EXPECT_EQ(controlTextFromUtf8("\xE7\x94\xB5\xE5\xBD\xB1"), L"电影");
    EXPECT_EQ(controlTextFromUtf8("a\xFF"), L"a\uFFFD");
}

TEST(ControlTextTest, BothFormsStopAtTheFirstNul) {
    EXPECT_EQ(toUtf8(wxString(L"ab\0cd"s)), "ab");
    EXPECT_EQ(controlTextFromUtf8("ab\0cd"s), L"ab");
}

}  // namespace
