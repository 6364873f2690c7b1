#include "render/ImageZoom.h"

#include <charconv>
#include <cmath>

namespace kelvane {

bool TImageZoom::ZoomIn()
{
    if (factor >= 4.0)
        return false;
    factor += 0.2;
    return true;
}

bool TImageZoom::ZoomOut()
{
    if (factor <= 0.3)
        return false;
    factor -= 0.2;
    return true;
}

bool TImageZoom::Fit(int naturalWidth, int naturalHeight, int areaWidth, int areaHeight)
{
    if (naturalWidth < 1 || naturalHeight < 1)
        return false;
    const double rx = (areaWidth - 4.0) / naturalWidth;
    const double ry = (areaHeight - 4.0) / naturalHeight;
    factor = rx < ry ? rx : ry;
    return true;
}

int TImageZoom::Scaled(int natural) const
{
    return static_cast<int>(std::trunc(natural * factor));
}

std::string ZoomRateText(double factor)
{
    char digits[64];
    const auto result = std::to_chars(digits, digits + sizeof digits, factor * 100, std::chars_format::fixed, 2);
    return "Rate  :  " + std::string(digits, result.ptr) + " %";
}

} // namespace kelvane
