#include "render/PictureCompare.h"

#include <algorithm>
#include <cstdlib>

#include "scene/NumFormat.h"

namespace kelvane {

namespace {

void RequireSameSize(const TPicture& a, const TPicture& b)
{
    if (a.width != b.width || a.height != b.height)
        throw EPictureError("The pictures differ in size: " + std::to_string(a.width) + "x" +
                            std::to_string(a.height) + " and " + std::to_string(b.width) + "x" +
                            std::to_string(b.height) + ".");
}

} // namespace

TPictureDifference ComparePictures(const TPicture& a, const TPicture& b)
{
    RequireSameSize(a, b);
    TPictureDifference result;
    const size_t pixels = size_t(a.width) * size_t(a.height);
    if (pixels == 0)
        return result;
    const bool alpha = a.channels == 4 && b.channels == 4;
    unsigned long long sums[3] = {0, 0, 0};
    size_t changed = 0;
    for (int y = 0; y < a.height; ++y) {
        const std::uint8_t* pa = a.Row(y);
        const std::uint8_t* pb = b.Row(y);
        for (int x = 0; x < a.width; ++x, pa += a.channels, pb += b.channels) {
            bool differs = alpha && pa[3] != pb[3];
            for (int c = 0; c < 3; ++c) {
                const int d = std::abs(int(pa[c]) - int(pb[c]));
                sums[c] += unsigned(d);
                differs = differs || d != 0;
            }
            changed += differs;
        }
    }
    for (int c = 0; c < 3; ++c)
        result.mean[c] = double(sums[c]) / double(pixels);
    result.changedShare = double(changed) / double(pixels);
    return result;
}

std::string DifferenceText(const TPictureDifference& d)
{
    return "mean difference R G B: " + FixedToStr(d.mean[0], 3) + " " + FixedToStr(d.mean[1], 3) + " " + FixedToStr(d.mean[2], 3) +
           "\nchanged pixels: " + FixedToStr(100.0 * d.changedShare, 2) + "%";
}

TPicture DifferencePicture(const TPicture& a, const TPicture& b, int scale)
{
    RequireSameSize(a, b);
    TPicture out = TPicture::Make(a.width, a.height, 3);
    for (int y = 0; y < a.height; ++y) {
        const std::uint8_t* pa = a.Row(y);
        const std::uint8_t* pb = b.Row(y);
        std::uint8_t* po = out.Row(y);
        for (int x = 0; x < a.width; ++x, pa += a.channels, pb += b.channels, po += 3)
            for (int c = 0; c < 3; ++c)
                po[c] = std::uint8_t(std::min(255, std::abs(int(pa[c]) - int(pb[c])) * scale));
    }
    return out;
}

TPicture SplitPicture(const TPicture& a, const TPicture& b, int divider)
{
    RequireSameSize(a, b);
    divider = std::clamp(divider, 0, a.width);
    TPicture out = TPicture::Make(a.width, a.height, 3);
    for (int y = 0; y < a.height; ++y) {
        std::uint8_t* po = out.Row(y);
        for (int x = 0; x < a.width; ++x, po += 3) {
            const TPicture& from = x < divider ? a : b;
            const std::uint8_t* p = from.Row(y) + size_t(x) * size_t(from.channels);
            po[0] = p[0], po[1] = p[1], po[2] = p[2];
        }
    }
    return out;
}

} // namespace kelvane
