#include "controls/NumberText.h"

#include "scene/Errors.h"

#include <gtest/gtest.h>

#include <limits>

namespace kelvane {
namespace {

using RM = TRoundMode;

struct RoundCase {
    const char* text;
    int figure;
    RM mode;
    const char* expected;
};

TEST(NumberText, RoundDecimals)
{
    const RoundCase cases[] = {
        {"12.7", 0, RM::rmRound, "13."},
        {"0.96", 1, RM::rmRound, "1.0"},
        {"-3.96", 1, RM::rmRound, "-4.0"},
        {"1.20", 1, RM::rmUp, "1.2"},
        {"1.235", 2, RM::rmRound, "1.24"},
        {"9.999", 2, RM::rmUp, "10.00"},
        {"-0.5", 0, RM::rmRound, "-1."},
        {"+9.95", 1, RM::rmRound, "+10.0"},
        {"12", 2, RM::rmRound, "12"},       // no separator
        {"12.", 0, RM::rmRound, "12."},     // separator last
        {"1.25", 2, RM::rmUp, "1.25"},      // nothing to drop
        {"1.5E-5", 5, RM::rmRound, "0.00002"},
        {"1E-5", 2, RM::rmUp, "0.01"},
        {"1E20", 2, RM::rmDown, "1E20"},
        {"1E-5", -1, RM::rmDown, "1E-5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RoundDecimals(c.text, c.figure, c.mode), c.expected) << c.text << " F=" << c.figure;
}

TEST(NumberText, ExpandScientific)
{
    EXPECT_EQ(ExpandScientific("1.5E-5"), "0.000015");
    EXPECT_EQ(ExpandScientific("-2E3"), "-2000");
    EXPECT_EQ(ExpandScientific("12.5"), "12.5");
    EXPECT_EQ(ExpandScientific("1E99999"), "1E99999");
    EXPECT_EQ(ExpandScientific("xE5"), "xE5");
}

TEST(NumberText, ParseTextDecimal)
{
    const std::pair<const char*, double> cases[] = {
        {"", 0}, {"-", 0}, {"+", 0}, {".", 0}, {"-.", 0}, {"12", 12}, {"-1.23", -1.23}, {"+5", 5},
        {"1,234.5", 1234.5}, {"1\t2", 12}, {"1E-5", 1e-5}, {"5.", 5}, {",", 0},
        {"99999999999999999999", 1e20},
    };
    for (const auto& [text, value] : cases)
        EXPECT_DOUBLE_EQ(ParseText(text, TNumberType::ntDecimal, false), value) << text;
    for (const char* bad : {"abc", "1.2.3", "1-2", "1e999", "--1"})
        EXPECT_THROW(ParseText(bad, TNumberType::ntDecimal, false), EConvertError) << bad;
}

TEST(NumberText, ParseTextHex)
{
    EXPECT_EQ(ParseText("1A", TNumberType::ntHex, false), 26);
    EXPECT_EQ(ParseText("FFFFFFFF", TNumberType::ntHex, false), -1);
    EXPECT_EQ(ParseText("00000001A", TNumberType::ntHex, false), 26);
    EXPECT_EQ(ParseText("-1A", TNumberType::ntHex, true), -26);
    EXPECT_EQ(ParseText("100000000", TNumberType::ntHex, true), 4294967296.0);
    EXPECT_THROW(ParseText("100000000", TNumberType::ntHex, false), EConvertError);
    EXPECT_THROW(ParseText("-1A", TNumberType::ntHex, false), EConvertError);
    EXPECT_THROW(ParseText("1G", TNumberType::ntHex, true), EConvertError);
    EXPECT_THROW(ParseText("+1A", TNumberType::ntHex, true), EConvertError);
}

TNumberOptions Fixed(int figure, RM mode = RM::rmDown)
{
    TNumberOptions o;
    o.figure = figure;
    o.fixed = true;
    o.roundMode = mode;
    return o;
}

TEST(NumberText, FormatValueDecimal)
{
    struct Case {
        TNumberOptions options;
        double value;
        const char* current;
        const char* expected;
    };
    TNumberOptions plain;
    TNumberOptions round1;
    round1.figure = 1;
    round1.roundMode = RM::rmRound;
    TNumberOptions comma;
    comma.comma = true;
    TNumberOptions limited;
    limited.limit = true;
    limited.min = 1;
    limited.max = 360;
    const Case cases[] = {
        {plain, 0, "", "0"},
        {plain, 0.00001, "", "1E-5"},
        {Fixed(2), 1, "", "1.00"},
        {Fixed(0), 12.7, "", "12"},
        {Fixed(2), 0.00001, "", "0.00"},
        {Fixed(2), 1e20, "", "100000000000000000000.00"},
        {round1, -3.96, "", "-4.0"},
        {comma, 1234567.5, "", "1,234,567.5"},
        {comma, -0.5, "", "-0.5"},
        {limited, 500, "", "360"},
        {plain, 12, "+7", "+12"},
        {plain, -3, "+7", "-3"},   // the plus sign never contradicts the value
        {plain, 0, "+", "+0"},
    };
    for (const auto& c : cases) {
        double v = c.value;
        EXPECT_EQ(FormatValue(v, c.current, c.options), c.expected) << c.value;
    }
    double v = 500;
    FormatValue(v, "", limited);
    EXPECT_EQ(v, 360);
}

TEST(NumberText, FormatValueHex)
{
    TNumberOptions hex;
    hex.numberType = TNumberType::ntHex;
    TNumberOptions minus = hex;
    minus.validMinus = true;
    TNumberOptions wide = hex;
    wide.figure = 4;
    TNumberOptions rounding = hex;
    rounding.roundMode = RM::rmRound;

    double v = -26;
    EXPECT_EQ(FormatValue(v, "", minus), "-1A");
    v = -26;
    EXPECT_EQ(FormatValue(v, "", hex), "FFFFFFE6");
    EXPECT_EQ(ParseText("FFFFFFE6", TNumberType::ntHex, false), -26);
    v = 26;
    EXPECT_EQ(FormatValue(v, "", wide), "001A");
    v = 3e10;
    EXPECT_EQ(FormatValue(v, "", hex), "7FFFFFFF");
    EXPECT_EQ(v, 2147483647);
    v = 26.7;
    EXPECT_EQ(FormatValue(v, "", rounding), "1B");
    EXPECT_EQ(v, 27);
    v = 0;
    EXPECT_EQ(FormatValue(v, "", hex), "0");
}

TEST(NumberText, ValueToInteger)
{
    EXPECT_EQ(ValueToInt32(2.5e9, RM::rmDown), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(ValueToInt32(-2.5e9, RM::rmDown), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(ValueToInt32(26.2, RM::rmUp), 27);
    EXPECT_EQ(ValueToInt32(-26.2, RM::rmUp), -27);
    EXPECT_EQ(ValueToInt64(1e300, RM::rmDown), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(ValueToInt64(0.00001, RM::rmUp), 1);
}

TEST(NumberText, TypedValue)
{
    EXPECT_EQ(TypedValue("12.7", Fixed(0)), 12);
    TNumberOptions limited;
    limited.limit = true;
    limited.min = 1;
    limited.max = 360;
    EXPECT_EQ(TypedValue("500", limited), 360);
    limited.loMax = false;
    EXPECT_EQ(TypedValue("500", limited), 500);
    EXPECT_EQ(TypedValue("0", limited), 1);
    TNumberOptions comma;
    comma.comma = true;
    comma.figure = 1;
    EXPECT_DOUBLE_EQ(TypedValue("1,234.56", comma), 1234.5);
    EXPECT_THROW(TypedValue("x", comma), EConvertError);
}

TEST(NumberText, InsertThousands)
{
    const std::pair<const char*, const char*> cases[] = {
        {"1234567.891", "1,234,567.891"}, {"-1234", "-1,234"}, {"123", "123"}, {"", "0"},
        {".5", "0.5"}, {"1,2345", "12,345"}, {"1E20", "1E20"}, {"-0.5", "-0.5"}, {"+1000", "+1,000"},
        {"-", "-0"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(InsertThousands(text), expected) << text;
}

TEST(NumberText, ClassifyKey)
{
    using K = TKeyAction;
    const auto dec = TNumberType::ntDecimal;
    const auto hex = TNumberType::ntHex;
    struct Case {
        char key;
        const char* text;
        TNumberType type;
        bool validMinus;
        K expected;
    };
    const Case cases[] = {
        {'a', "", dec, false, K::Discard},   {'.', "1.2", dec, false, K::Discard},
        {'+', "12", dec, false, K::EditSign}, {8, "12", dec, false, K::Pass},
        {0x16, "", dec, false, K::Discard},  {',', "", dec, false, K::Discard},
        {'f', "", hex, false, K::Pass},      {'.', "", hex, false, K::Discard},
        {'-', "", hex, false, K::Discard},   {'-', "", hex, true, K::EditSign},
        {'+', "1", hex, true, K::Discard},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClassifyKey(c.key, c.text, c.type, c.validMinus), c.expected)
            << int(c.key) << " in '" << c.text << "'";
}

TEST(NumberText, EditSign)
{
    const auto dec = TNumberType::ntDecimal;
    struct Case {
        const char* text;
        int selStart, selLength;
        char key;
        TNumberType type;
        TTextEdit expected;
    };
    const Case cases[] = {
        {"12", 2, 0, '-', dec, {"-12", 3}},
        {"-12", 3, 0, '-', dec, {"12", 2}},
        {"+12", 3, 0, '-', dec, {"-12", 3}},
        {"+12", 2, 0, '+', dec, {"12", 1}},
        {"12", 0, 2, '-', dec, {"-", 1}},        // all selected
        {"-12", 0, 0, '-', dec, {"12", 0}},      // caret never below 0
        {"12", 1, 1, '-', dec, {"-12", 2}},      // a selection elsewhere stays
        {"-1A", 3, 0, '+', TNumberType::ntHex, {"1A", 2}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EditSign(c.text, c.selStart, c.selLength, c.key, c.type), c.expected)
            << c.text << " " << c.key;
}

TEST(NumberText, PasteMerge)
{
    const auto dec = TNumberType::ntDecimal;
    struct Case {
        const char* text;
        int selStart, selLength;
        const char* clip;
        TNumberType type;
        std::optional<TTextEdit> expected;
    };
    const Case cases[] = {
        {"", 0, 0, "a-1.2.3", dec, TTextEdit{"-1.23", 5}},
        {"-12", 0, 0, "5", dec, std::nullopt},          // in front of the sign
        {"-12", 0, 1, "5", dec, TTextEdit{"512", 1}},   // onto the sign, which goes with the selection
        {"12", 1, 0, "-3", dec, TTextEdit{"132", 2}},   // a sign only at the front
        {"12", 0, 2, "-4", dec, TTextEdit{"-4", 2}},
        {"", 0, 0, "--5", dec, TTextEdit{"-5", 2}},
        {"", 0, 0, "-1aG", TNumberType::ntHex, TTextEdit{"1a", 2}},
        {"7", 1, 0, "1,000", dec, TTextEdit{"71000", 5}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PasteMerge(c.text, c.selStart, c.selLength, c.clip, c.type), c.expected) << c.text << " + " << c.clip;
}

} // namespace
} // namespace kelvane
