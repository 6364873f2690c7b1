#include "controls/ColorConvert.h"
#include "controls/LinkRules.h"

#include <gtest/gtest.h>

#include <climits>

namespace kelvane {
namespace {

TBgr Rgb(int r, int g, int b) { return TBgr{uint8_t(b), uint8_t(g), uint8_t(r)}; }

TEST(ColorConvert, HsvToRgb)
{
    struct Case {
        float v, s, h;
        TBgr expected;
    };
    const Case cases[] = {
        {255, 255, 0, Rgb(255, 0, 0)},
        {255, 0, 0, Rgb(255, 255, 255)},
        {0, 100, 300, Rgb(0, 0, 0)},
        {255, 255, 240, Rgb(0, 0, 255)},
        {128, 0, 0, Rgb(128, 128, 128)},
        {255, 255, 30, Rgb(255, 128, 0)},     // 127.5 rounds to the even 128
        {255, 255, 359, Rgb(255, 0, 4)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HsvToRgb(c.v, c.s, c.h), c.expected) << c.v << "," << c.s << "," << c.h;
}

TEST(ColorConvert, RgbToHsv)
{
    struct Case {
        float r, g, b;
        THsv expected;
    };
    const Case cases[] = {
        {0, 0, 0, {0, 0, 0}},
        {128, 128, 128, {0, 0, 128}},
        {0, 255, 0, {120, 255, 255}},
        {255, 0, 4, {359, 255, 255}},   // negative hue wraps
        {2, 1, 1, {0, 128, 2}},         // 127.5 ties to even
        {6, 5, 5, {0, 42, 6}},          // 42.5 ties to even
    };
    for (const auto& c : cases)
        EXPECT_EQ(RgbToHsv(c.r, c.g, c.b), c.expected) << c.r << "," << c.g << "," << c.b;
}

TEST(ColorConvert, SplitAndMakeColor)
{
    EXPECT_EQ(SplitColor(0x00FF8040), Rgb(0x40, 0x80, 0xFF));
    EXPECT_EQ(MakeColor(0x40, 0x80, 0xFF), 0x00FF8040u);
}

TEST(LinkRules, SliderPositionAndText)
{
    EXPECT_EQ(SliderPosition(0.29, 100), 29);   // 28.999999999999996 in binary
    EXPECT_EQ(SliderPosition(-0.359, 100), -35);
    EXPECT_EQ(SliderPosition(600, 1), 600);
    EXPECT_EQ(SliderPosition(1e12, 100), INT_MAX);
    EXPECT_EQ(SliderText(37, 100), "0.37");
    EXPECT_EQ(SliderText(5, 0), "5");
    EXPECT_EQ(SliderText(15, 10), "1.5");
    EXPECT_EQ(ScaleOfTag(-1), 1);
}

TEST(LinkRules, ItemValues)
{
    EXPECT_EQ(ItemValue("multiply                =mul"), "mul");
    EXPECT_EQ(ItemDisplay("multiply                =mul"), "multiply");
    EXPECT_EQ(ItemValue("a=b=c"), "b=c");
    EXPECT_EQ(ItemValue("empty="), "");
}

TEST(LinkRules, Channels)
{
    EXPECT_EQ(ChannelOfName("tbLgtGreen"), TChannel::Green);
    EXPECT_EQ(ChannelOfName("tbLgtPower"), TChannel::None);
    EXPECT_EQ(ChannelOfName("ab"), TChannel::None);
    EXPECT_EQ(ReplaceChannel(0x0000FF, TChannel::Blue, 255), 0xFF00FFu); // red becomes magenta
    EXPECT_EQ(ReplaceChannel(0x0000FF, TChannel::Green, 300), 0x00FFFFu);
    EXPECT_EQ(ReplaceChannel(0x123456, TChannel::None, 9), 0x123456u);
}

} // namespace
} // namespace kelvane
