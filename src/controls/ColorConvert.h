#pragma once
// Colour values and the conversions between red-green-blue and hue-saturation-brightness.
//
// A colour is red + 256 * green + 65536 * blue (0x00BBGGRR). Hue is in degrees (0 up to below
// 360), saturation and brightness 0 to 255. The arithmetic is single precision throughout, so the
// results match to the unit what the colour picker shows.
#include <cstdint>

namespace kelvane {

using TColor = uint32_t;

// Marks a colour that is not a value but the platform's button face; swatches draw it as such.
constexpr TColor clBtnFace = 0x8000000Fu;

struct TBgr {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    friend bool operator==(const TBgr&, const TBgr&) = default;
};

struct THsv {
    int32_t h = 0;
    uint8_t s = 0;
    uint8_t v = 0;
    friend bool operator==(const THsv&, const THsv&) = default;
};

// Brightness V, saturation S (0..255) and hue H in degrees to the three bytes. A hue of 360 or
// more falls in the last sector; components beyond 0..255 are clamped.
TBgr HsvToRgb(float V, float S, float H);

// Red, green, blue (0..255) to hue (0..359, 0 for greys), saturation and brightness.
THsv RgbToHsv(float R, float G, float B);

// The bytes of a colour: blue = colour div 65536, green = (colour mod 65536) div 256,
// red = colour mod 256 (each taken as a byte).
TBgr SplitColor(TColor colour);

constexpr TColor MakeColor(uint8_t red, uint8_t green, uint8_t blue)
{
    return TColor(red) + 256u * green + 65536u * blue;
}

inline TColor MakeColor(const TBgr& c) { return MakeColor(c.red, c.green, c.blue); }

} // namespace kelvane
