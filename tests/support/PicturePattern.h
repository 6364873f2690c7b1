#pragma once
// Test pictures drawn pixel by pixel: pixel(x, y, q) fills the channels at q.
#include "render/Picture.h"

#include <cstdint>

namespace kelvane::test {

template <typename F>
TPicture FillPicture(int w, int h, int channels, F pixel)
{
    TPicture p = TPicture::Make(w, h, channels);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixel(x, y, p.Row(y) + x * channels);
    return p;
}

} // namespace kelvane::test
