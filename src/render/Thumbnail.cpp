#include "render/Thumbnail.h"

#include <algorithm>
#include <cmath>

namespace kelvane {

namespace {

struct TTap {
    int index;
    float weight;
};

// For each output position, the source positions it draws from and their weights (summing to 1).
std::vector<std::vector<TTap>> Taps(int from, int to)
{
    std::vector<std::vector<TTap>> taps(static_cast<size_t>(to));
    const double scale = static_cast<double>(from) / to;
    for (int o = 0; o < to; ++o) {
        auto& list = taps[static_cast<size_t>(o)];
        if (from > to) {
            const double lo = o * scale, hi = (o + 1) * scale;
            for (int i = static_cast<int>(lo); i < from && i < hi; ++i) {
                const double cover = std::min(hi, i + 1.0) - std::max(lo, static_cast<double>(i));
                if (cover > 0)
                    list.push_back({i, static_cast<float>(cover / scale)});
            }
        } else {
            const double centre = std::clamp((o + 0.5) * scale - 0.5, 0.0, from - 1.0);
            const int i0 = static_cast<int>(centre);
            const int i1 = std::min(i0 + 1, from - 1);
            const float f = static_cast<float>(centre - i0);
            list.push_back({i0, 1 - f});
            if (f > 0)
                list.push_back({i1, f});
        }
    }
    return taps;
}

} // namespace

TPicture StretchPicture(const TPicture& source, int width, int height)
{
    if (source.Empty() || source.pixels.size() < source.RowBytes() * static_cast<size_t>(source.height))
        throw EPictureError("Cannot stretch a picture without width or height.");
    TPicture out = TPicture::Make(width, height, source.channels);
    if (out.Empty())
        throw EPictureError("Cannot stretch a picture to no width or height.");
    const int ch = source.channels;
    const auto across = Taps(source.width, width);
    const auto down = Taps(source.height, height);
    // Rows first, into floats, then columns.
    std::vector<float> rows(static_cast<size_t>(source.height) * width * ch, 0.0f);
    for (int y = 0; y < source.height; ++y) {
        const std::uint8_t* src = source.Row(y);
        float* dst = rows.data() + static_cast<size_t>(y) * width * ch;
        for (int x = 0; x < width; ++x)
            for (const TTap& t : across[static_cast<size_t>(x)])
                for (int c = 0; c < ch; ++c)
                    dst[x * ch + c] += t.weight * src[t.index * ch + c];
    }
    for (int y = 0; y < height; ++y) {
        std::uint8_t* dst = out.Row(y);
        for (int i = 0; i < width * ch; ++i) {
            float sum = 0;
            for (const TTap& t : down[static_cast<size_t>(y)])
                sum += t.weight * rows[static_cast<size_t>(t.index) * width * ch + i];
            dst[i] = static_cast<std::uint8_t>(std::clamp(std::lround(sum), 0L, 255L));
        }
    }
    return out;
}

} // namespace kelvane
