#include "scene/NumFormat.h"
#include "scene/TextCodec.h"

#include <gtest/gtest.h>

using namespace kelvane;

TEST(TextCodec, AnyByteSequenceRoundTrips)
{
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes += static_cast<char>(b);
    bytes += "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"; // é € 😀
    bytes += "\xE9t\xE9";                          // Latin-1 "été"
    bytes += "\xED\xB2\x80\xC0\xAF\xF0\x9F";       // encoded surrogate, overlong, cut sequence
    EXPECT_EQ(Narrow(Widen(bytes)), bytes);
    // The unit reader gives what Widen gives, unit for unit.
    std::u16string units;
    TUtf16Units reader(bytes);
    for (char16_t u; reader.Next(u);)
        units += u;
    EXPECT_EQ(units, Widen(bytes));
    EXPECT_TRUE(reader.AtEnd());
}

TEST(TextCodec, DecodesUtf8IncludingFourByteSequencesAndUtf16InBothOrders)
{
    EXPECT_EQ(Widen("\xC3\xA9"), u"\u00E9");
    EXPECT_EQ(Widen("\xE2\x82\xAC"), u"\u20AC");
    EXPECT_EQ(Widen("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(Widen("\xE9"), std::u16string(1, char16_t(0xDCE9)));
    EXPECT_EQ(Utf16BytesToUtf8(std::string("a\0\xE9\0", 4), false), "a\xC3\xA9");
    EXPECT_EQ(Utf16BytesToUtf8(std::string("\0a\0\xE9", 4), true), "a\xC3\xA9");
    EXPECT_EQ(Utf16BytesToUtf8(std::string("\x3D\xD8\x00\xDE", 4), false), "\xF0\x9F\x98\x80");
}

TEST(NumFormat, GeneralDecimalForm)
{
    EXPECT_EQ(FloatToStr(0), "0");
    EXPECT_EQ(FloatToStr(0.37), "0.37");
    EXPECT_EQ(FloatToStr(128.0 / 255), "0.501960784313725");
    EXPECT_EQ(FloatToStr(-3.5), "-3.5");
    EXPECT_EQ(FloatToStr(100), "100");
    EXPECT_EQ(FloatToStr(0.0001), "0.0001");
    EXPECT_EQ(FloatToStr(0.00001), "1E-5");
    EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
    EXPECT_EQ(FloatToStr(1e15), "1E15");
    EXPECT_EQ(FloatToStr(1.5e20), "1.5E20");
    EXPECT_EQ(FloatToStr(static_cast<double>(2.2f)), "2.20000004768372");
    EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");
}

TEST(NumFormat, ParsesOnlyWholeNumbers)
{
    double v = 0;
    EXPECT_TRUE(TryStrToFloat(" 1.5 ", v));
    EXPECT_EQ(v, 1.5);
    EXPECT_TRUE(TryStrToFloat("+2", v));
    EXPECT_EQ(v, 2);
    EXPECT_TRUE(TryStrToFloat("-.5e1", v));
    EXPECT_EQ(v, -5);
    for (const char* bad : {"", "abc", "1,5", "1.5x", ".", "-", "1e", "0x10"})
        EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
    EXPECT_THROW(StrToFloat("x"), std::exception);
    int64_t i = 0;
    EXPECT_TRUE(TryStrToInt64("0x1F", i, true));
    EXPECT_EQ(i, 31);
    EXPECT_TRUE(TryStrToInt64("$FF", i, true));
    EXPECT_EQ(i, 255);
    EXPECT_FALSE(TryStrToInt64("$FF", i, false));
    EXPECT_TRUE(TryStrToInt64("-42", i));
    EXPECT_EQ(i, -42);
}
