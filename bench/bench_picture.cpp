// Picture codecs on a render-sized picture (1920 x 1080 unless given as two arguments), each
// time set beside a plain copy of the picture's Targa bytes made in the same run. Medians of
// five runs; the `x copy` column is the ratio.
//     build/bin/bench_picture [width height]
#include "BenchTiming.h"
#include "render/JpegCodec.h"
#include "render/PngCodec.h"
#include "render/Targa.h"
#include "render/Thumbnail.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace kelvane;
using kelvane::bench::MedianMs;

int main(int argc, char** argv)
{
    const int width = argc > 1 ? std::atoi(argv[1]) : 1920;
    const int height = argc > 2 ? std::atoi(argv[2]) : 1080;
    TPicture p = TPicture::Make(width, height, 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* q = p.Row(y) + x * 3;
            q[0] = static_cast<std::uint8_t>(x * 255 / width);
            q[1] = static_cast<std::uint8_t>(y * 255 / height);
            q[2] = static_cast<std::uint8_t>(((x / 64 + y / 64) & 1) * 200);
        }
    const std::string tga = EncodeTarga(p), png = EncodePng(p, {4, false, TPngFilter::None}),
                      jpg = EncodeJpeg(p, {65, false});
    volatile size_t sink = 0;
    const double copy = MedianMs([&] { std::string c = tga; sink = sink + c.size(); });
    const struct {
        const char* name;
        std::function<void()> work;
    } cases[] = {
        {"Targa decode", [&] { sink = sink + DecodeTarga(tga).pixels.size(); }},
        {"Targa encode", [&] { sink = sink + EncodeTarga(p).size(); }},
        {"PNG decode", [&] { sink = sink + DecodePng(png).pixels.size(); }},
        {"PNG encode, level 4", [&] { sink = sink + EncodePng(p, {4, false, TPngFilter::None}).size(); }},
        {"PNG encode, level 9 adaptive", [&] { sink = sink + EncodePng(p, {9, false, TPngFilter::Adaptive}).size(); }},
        {"JPEG decode", [&] { sink = sink + DecodeJpeg(jpg).pixels.size(); }},
        {"JPEG encode, quality 65", [&] { sink = sink + EncodeJpeg(p, {65, false}).size(); }},
        {"JPEG encode, progressive", [&] { sink = sink + EncodeJpeg(p, {65, true}).size(); }},
        {"thumbnail 100 x 100", [&] { sink = sink + MakeThumbnail(p).pixels.size(); }},
    };
    std::printf("%d x %d RGB, copy of %zu bytes: %.2f ms\n", width, height, tga.size(), copy);
    std::printf("%-30s %10s %10s\n", "case", "ms", "x copy");
    for (const auto& c : cases) {
        const double ms = MedianMs(c.work);
        std::printf("%-30s %10.2f %10.1f\n", c.name, ms, ms / std::max(copy, 1e-3));
    }
    return 0;
}
