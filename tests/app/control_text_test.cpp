// The window framework's forms of toUtf8 and fromUtf8 end at the first NUL,
// as the text of a control does.
#include <gtest/gtest.h>
#include <string>

#include "app/control_text.h"

namespace {

using namespace std::string_literals;

TEST(ControlTextTest, ChineseTextRoundTrips)
{
    const wxString text(L"电影");
    EXPECT_EQ(toUtf8(text), "\xE7\x94\xB5\xE5\xBD\xB1");
    EXPECT_EQ(controlTextFromUtf8(toUtf8(text)), text);
}

TEST(ControlTextTest, BothFormsStopAtTheFirstNul)
{
    EXPECT_EQ(toUtf8(wxString(L"ab\0cd"s)), "ab");
    EXPECT_EQ(controlTextFromUtf8("ab\0cd"s), L"ab");
    EXPECT_EQ(controlTextFromUtf8("\0cd"s), L"");
}

TEST(ControlTextTest, MalformedBytesBecomeTheReplacementCharacter)
{
    EXPECT_EQ(controlTextFromUtf8("a\xFF"), L"a\uFFFD");
}

}  // namespace
