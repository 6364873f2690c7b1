#include "controls/ColorPalette.h"

namespace kelvane {

void FillPalette(std::uint8_t* const* rows, float hue)
{
    for (int y = 0; y < PaletteSize; ++y) {
        std::uint8_t* p = rows[y];
        const float v = float(255 - y);
        for (int x = 0; x < PaletteSize; ++x, p += 3) {
            const TBgr c = HsvToRgb(v, float(255 - x), hue);
            p[0] = c.blue;
            p[1] = c.green;
            p[2] = c.red;
        }
    }
}

void FillHueBar(std::uint8_t* const* rows, int width)
{
    for (int y = 0; y < PaletteSize; ++y) {
        const TBgr c = HsvToRgb(255.0f, 255.0f, float(y) / 255.0f * 359.0f);
        std::uint8_t* p = rows[y];
        for (int x = 0; x < width; ++x, p += 3) {
            p[0] = c.blue;
            p[1] = c.green;
            p[2] = c.red;
        }
    }
}

} // namespace kelvane
