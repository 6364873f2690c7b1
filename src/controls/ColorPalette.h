#pragma once
// The colour picker's pictures, written row by row into 24-bit pixel rows (blue, green, red).
#include "controls/ColorConvert.h"

#include <cstdint>

namespace kelvane {

constexpr int PaletteSize = 256;
constexpr int HueBarWidth = 15;

// rows[y] is the first byte of pixel row y (256 rows of 256 pixels): pixel (x, y) becomes
// HsvToRgb(255 - y, 255 - x, hue).
void FillPalette(std::uint8_t* const* rows, float hue);

// rows[y] (256 rows of width pixels): row y shows hue y / 255 * 359 at full saturation and
// brightness.
void FillHueBar(std::uint8_t* const* rows, int width);

// The hue a palette shows when the hue marker's top is at row (marker top - 5):
// row * 360 / 256.
inline float HueOfRow(int row) { return float(row) * 360.0f / 256.0f; }

} // namespace kelvane
