#include "controls/ColorConvert.h"

#include <algorithm>
#include <cmath>

namespace kelvane {

namespace {

// Nearest integer, ties to even, kept inside a byte.
uint8_t RoundByte(float x)
{
    if (std::isnan(x))
        return 0;
    const float r = std::nearbyint(std::clamp(x, 0.0f, 255.0f));
    return static_cast<uint8_t>(r);
}

} // namespace

TBgr HsvToRgb(float V, float S, float H)
{
    float red, green, blue;
    if (S == 0) {
        red = green = blue = V;
    } else {
        const float scaled = H * 6.0f;
        const int h6 = std::isfinite(scaled) ? static_cast<int>(std::clamp(scaled, -2.0e9f, 2.0e9f)) : 0;
        const int i = h6 % 360;
        const int sector = h6 / 360;
        const float m = (255.0f - S) * V / 255.0f;
        const float p = (255.0f - static_cast<float>(i) * S / 360.0f) * V / 255.0f;
        const float q = (255.0f - static_cast<float>(360 - i) * S / 360.0f) * V / 255.0f;
        switch (sector) {
        case 0: red = V; green = q; blue = m; break;
        case 1: red = p; green = V; blue = m; break;
        case 2: red = m; green = V; blue = q; break;
        case 3: red = m; green = p; blue = V; break;
        case 4: red = q; green = m; blue = V; break;
        default: red = V; green = m; blue = p; break;
        }
    }
    return TBgr{RoundByte(blue), RoundByte(green), RoundByte(red)};
}

THsv RgbToHsv(float R, float G, float B)
{
    const float max = std::max({R, G, B});
    const float min = std::min({R, G, B});
    const float delta = max - min;
    const float V = max;
    const float S = delta != 0 ? delta * 255.0f / max : 0.0f;
    float H = 0;
    if (S != 0) {
        if (R == max)
            H = 60.0f * (G - B) / delta;
        else if (G == max)
            H = 120.0f + 60.0f * (B - R) / delta;
        else
            H = 240.0f + 60.0f * (R - G) / delta;
        if (H < 0)
            H += 360.0f;
    }
    THsv out;
    out.h = static_cast<int32_t>(std::nearbyint(H));
    out.s = RoundByte(S);
    out.v = RoundByte(V);
    return out;
}

TBgr SplitColor(TColor colour)
{
    return TBgr{static_cast<uint8_t>(colour / 65536u), static_cast<uint8_t>((colour % 65536u) / 256u),
                static_cast<uint8_t>(colour % 256u)};
}

} // namespace kelvane
