// The picker's pictures and the conversions at the borders of the hue sectors.
#include "controls/ColorPalette.h"

#include <gtest/gtest.h>

#include <vector>

namespace kelvane {
namespace {

TBgr Rgb(int r, int g, int b) { return TBgr{uint8_t(b), uint8_t(g), uint8_t(r)}; }

struct TPixels {
    explicit TPixels(int width) : width(width), bytes(size_t(width) * PaletteSize * 3)
    {
        for (int y = 0; y < PaletteSize; ++y)
            rows[y] = bytes.data() + size_t(y) * width * 3;
    }
    TBgr At(int x, int y) const { return TBgr{rows[y][x * 3], rows[y][x * 3 + 1], rows[y][x * 3 + 2]}; }
    int width;
    std::vector<std::uint8_t> bytes;
    std::uint8_t* rows[PaletteSize];
};

TEST(ColorPalette, SectorBorders)
{
    EXPECT_EQ(HsvToRgb(255, 255, 59.9f), Rgb(255, 254, 0));
    EXPECT_EQ(HsvToRgb(255, 255, 119.9f), Rgb(1, 255, 0));
    EXPECT_EQ(HsvToRgb(255, 255, 180), Rgb(0, 255, 255));
    EXPECT_EQ(HsvToRgb(255, 255, 299.9f), Rgb(254, 0, 255));
    // 360 and beyond fall in the last sector, whose formula starts again at magenta.
    EXPECT_EQ(HsvToRgb(255, 255, 360), Rgb(255, 0, 255));
    EXPECT_EQ(RgbToHsv(255, 254, 0), (THsv{60, 255, 255}));
    EXPECT_EQ(RgbToHsv(255, 0, 1), (THsv{360, 255, 255}));
}

TEST(ColorPalette, PaletteAndHueBar)
{
    TPixels palette(PaletteSize);
    FillPalette(palette.rows, 120);
    EXPECT_EQ(palette.At(0, 0), Rgb(0, 255, 0));          // full saturation and brightness
    EXPECT_EQ(palette.At(255, 0), Rgb(255, 255, 255));    // no saturation
    EXPECT_EQ(palette.At(255, 255), Rgb(0, 0, 0));
    EXPECT_EQ(palette.At(0, 255), Rgb(0, 0, 0));
    EXPECT_EQ(palette.At(100, 50), HsvToRgb(205, 155, 120));
    TPixels bar(HueBarWidth);
    FillHueBar(bar.rows, HueBarWidth);
    EXPECT_EQ(bar.At(0, 0), Rgb(255, 0, 0));
    EXPECT_EQ(bar.At(HueBarWidth - 1, 255), HsvToRgb(255, 255, 359));
    EXPECT_EQ(HueOfRow(255), 358.59375f);
}

} // namespace
} // namespace kelvane
