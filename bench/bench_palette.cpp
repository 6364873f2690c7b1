// The colour picker's palette regeneration (65,536 HSV conversions written through the pixel
// rows) beside a plain loop writing the same pixels. Medians of 21 runs.
//     build/bin/bench_palette
#include "BenchTiming.h"
#include "controls/ColorPalette.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

using namespace kelvane;
using kelvane::bench::MedianMs;

int main()
{
    std::vector<std::uint8_t> pixels(size_t(PaletteSize) * PaletteSize * 3);
    std::uint8_t* rows[PaletteSize];
    for (int y = 0; y < PaletteSize; ++y)
        rows[y] = pixels.data() + size_t(y) * PaletteSize * 3;
    float hue = 0;
    const double plain = MedianMs([&] {
        const std::uint8_t shade = std::uint8_t(hue += 1);
        for (int y = 0; y < PaletteSize; ++y) {
            std::uint8_t* p = rows[y];
            for (int x = 0; x < PaletteSize; ++x, p += 3) {
                p[0] = std::uint8_t(x + shade);
                p[1] = std::uint8_t(y);
                p[2] = shade;
            }
        }
    }, 21);
    const double palette = MedianMs([&] { FillPalette(rows, hue = hue + 7.0f > 359 ? 0 : hue + 7.0f); }, 21);
    volatile unsigned sink = pixels[12345];
    (void)sink;
    std::printf("%-28s %9s %9s\n", "case", "ms", "x plain");
    std::printf("%-28s %9.3f %9s\n", "plain pixel loop", plain, "1.0");
    std::printf("%-28s %9.3f %9.1f\n", "palette regeneration", palette, palette / plain);
    return 0;
}
