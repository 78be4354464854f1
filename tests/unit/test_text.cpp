#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "platform/Text.h"

TEST(Text, FindIsOneBasedAndHonoursStart) {
    EXPECT_EQ(FindText("abcabc", "bc"), 2);
    EXPECT_EQ(FindText("abcabc", "bc", 2), 2);
    EXPECT_EQ(FindText("abcabc", "bc", 3), 5);
    EXPECT_EQ(FindText("abcabc", "x"), 0);
    EXPECT_EQ(FindText("abc", "abcd"), 0);
    // Out-of-range starts: before the text counts as its start, after it finds nothing.
    EXPECT_EQ(FindText("abc", "a", -5), 1);
    EXPECT_EQ(FindText("abc", "c", 4), 0);
    EXPECT_EQ(FindText("abc", "c", INT_MAX), 0);
    EXPECT_EQ(FindText("", "a"), 0);
    // Embedded NUL bytes are ordinary characters.
    EXPECT_EQ(FindText(std::string("a\0b", 3), std::string("\0b", 2)), 2);
}

TEST(Text, MidLeftRightClampToTheText) {
    EXPECT_EQ(MidText("hello", 2, 3), "ell");
    EXPECT_EQ(MidText("hello", 2), "ello");
    EXPECT_EQ(MidText("hello", 4, 100), "lo");
    EXPECT_EQ(MidText("hello", 6, 1), "");
    EXPECT_EQ(MidText("hello", 0, 2), "h");  // the window starts before the text
    EXPECT_EQ(MidText("hello", -3, -1), "hello");
    EXPECT_EQ(MidText("hello", 2, 0), "");
    EXPECT_EQ(MidText("hello", INT_MAX, INT_MAX), "");
    EXPECT_EQ(MidText("hello", INT_MIN, INT_MAX), "");
    EXPECT_EQ(MidText("hello", 3, INT_MAX), "llo");

    EXPECT_EQ(LeftText("hello", 2), "he");
    EXPECT_EQ(LeftText("hello", 9), "hello");
    EXPECT_EQ(LeftText("hello", 0), "");
    EXPECT_EQ(LeftText("hello", INT_MIN), "");
    EXPECT_EQ(RightText("hello", 2), "lo");
    EXPECT_EQ(RightText("hello", 9), "hello");
    EXPECT_EQ(RightText("hello", -1), "");
    EXPECT_EQ(RightText("", 3), "");
}

TEST(Text, TrimRemovesControlAndSpaceOnly) {
    EXPECT_EQ(TrimText(" \t\r\n abc d \x01\x20"), "abc d");
    EXPECT_EQ(TrimText(std::string("\0x\0", 3)), "x");
    EXPECT_EQ(TrimText("   "), "");
    EXPECT_EQ(TrimText(""), "");
    // Latin-1 letters are above 127; as signed chars they would look negative and be cut.
    EXPECT_EQ(TrimText("\xe9t\xe9"), "\xe9t\xe9");
    EXPECT_EQ(TrimText("\xa0x\xff"), "\xa0x\xff");
}

TEST(Text, ReplaceAllNonOverlappingLeftToRight) {
    EXPECT_EQ(ReplaceText("Top Gun Pilot", " ", "%20"), "Top%20Gun%20Pilot");
    EXPECT_EQ(ReplaceText("aaaa", "aa", "b"), "bb");
    EXPECT_EQ(ReplaceText("aaa", "aa", "b"), "ba");
    // The replacement is not searched again.
    EXPECT_EQ(ReplaceText("ab", "a", "aa"), "aab");
    EXPECT_EQ(ReplaceText("abc", "", "x"), "abc");
    EXPECT_EQ(ReplaceText("abc", "abc", ""), "");
    EXPECT_EQ(ReplaceText("gfx\\ship\\a.png", "\\", "/"), "gfx/ship/a.png");
}

TEST(Text, LowerOnlyTouchesAsciiLetters) {
    EXPECT_EQ(LowerText("GFX\\Laser.PNG 09@[`"), "gfx\\laser.png 09@[`");
    EXPECT_EQ(LowerText("\xc9\xc0"), "\xc9\xc0");
}

TEST(Text, ParseIntPrefixRules) {
    EXPECT_EQ(ParseInt("42"), 42);
    EXPECT_EQ(ParseInt("  \t-17xyz"), -17);
    EXPECT_EQ(ParseInt("+8"), 8);
    EXPECT_EQ(ParseInt("12 34"), 12);
    EXPECT_EQ(ParseInt("007"), 7);
    EXPECT_EQ(ParseInt(""), 0);
    EXPECT_EQ(ParseInt("abc"), 0);
    EXPECT_EQ(ParseInt("-"), 0);
    EXPECT_EQ(ParseInt("- 5"), 0);
    EXPECT_EQ(ParseInt("+-5"), 0);
    EXPECT_EQ(ParseInt("3.9"), 3);
    EXPECT_EQ(ParseInt("2147483647"), INT_MAX);
    EXPECT_EQ(ParseInt("-2147483648"), INT_MIN);
    // Beyond 32 bits the value wraps instead of overflowing.
    EXPECT_EQ(ParseInt("2147483648"), INT_MIN);
    EXPECT_EQ(ParseInt("4294967297"), 1);
    EXPECT_EQ(ParseInt("99999999999999999999999999"), -469762049);
    EXPECT_EQ(ParseInt("-12345678901234"), -1942892530);
}

TEST(Text, ParseFloatPrefixRules) {
    EXPECT_FLOAT_EQ(ParseFloat("1.5"), 1.5f);
    EXPECT_FLOAT_EQ(ParseFloat("  -0.25abc"), -0.25f);
    EXPECT_FLOAT_EQ(ParseFloat(".5"), 0.5f);
    EXPECT_FLOAT_EQ(ParseFloat("5."), 5.0f);
    EXPECT_FLOAT_EQ(ParseFloat("+3"), 3.0f);
    EXPECT_FLOAT_EQ(ParseFloat("2e3"), 2000.0f);
    EXPECT_FLOAT_EQ(ParseFloat("2.5E-2x"), 0.025f);
    // An exponent letter without digits is not part of the number.
    EXPECT_FLOAT_EQ(ParseFloat("7e"), 7.0f);
    EXPECT_FLOAT_EQ(ParseFloat("7e+"), 7.0f);
    EXPECT_FLOAT_EQ(ParseFloat("7,5"), 7.0f);
    EXPECT_EQ(ParseFloat(""), 0.0f);
    EXPECT_EQ(ParseFloat("."), 0.0f);
    EXPECT_EQ(ParseFloat("-"), 0.0f);
    EXPECT_EQ(ParseFloat("e5"), 0.0f);
    // Words the C library would take as numbers are not numbers here.
    EXPECT_EQ(ParseFloat("inf"), 0.0f);
    EXPECT_EQ(ParseFloat("nan"), 0.0f);
    EXPECT_EQ(ParseFloat("0x10"), 0.0f);
    EXPECT_TRUE(std::isinf(ParseFloat("1e99")));
    EXPECT_EQ(ParseFloat("1e-99"), 0.0f);
    EXPECT_FLOAT_EQ(ParseFloat(std::string(500, '9').insert(0, "0.")), 1.0f);
}

TEST(Text, FloatTextUsesNineSignificantDigitsWithPoint) {
    EXPECT_EQ(FloatText(1.0f), "1.00000000");
    EXPECT_EQ(FloatText(0.1f), "0.100000001");
    EXPECT_EQ(FloatText(-2.5f), "-2.50000000");
    EXPECT_EQ(FloatText(0.0f), "0.00000000");
    EXPECT_EQ(FloatText(1e10f), "1.00000000e+10");
    EXPECT_EQ(FloatText(123456789.0f), "123456792.");
    // Nine digits are enough for a float to come back exactly.
    for (float f : {0.1f, 3.14159274f, -1e-7f, 65504.125f, 1.17549435e-38f}) {
        EXPECT_EQ(ParseFloat(FloatText(f)), f) << FloatText(f);
    }
}
