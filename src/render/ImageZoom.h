#pragma once
// The image window's zoom: steps of 0.2 between the limits, fitting into the scroll area, and the
// rate label.
#include <string>

namespace kelvane {

struct TImageZoom {
    double factor = 1.0; // 1.0 = natural size

    // +0.2 while below 4.0, so the last step may pass it; returns whether the factor changed.
    bool ZoomIn();
    // -0.2 while above 0.3 (from 1.0 the smallest reached is 0.2).
    bool ZoomOut();
    void Reset() { factor = 1.0; }
    // The factor that fits the natural size into the scroll area's outer size less 4 pixels, the
    // smaller of the two directions. Nothing changes (false) for a natural size below 1.
    bool Fit(int naturalWidth, int naturalHeight, int areaWidth, int areaHeight);
    // The view's size for a natural size: the whole part of natural x factor.
    int Scaled(int natural) const;
};

// "Rate  :  " + factor x 100 with two decimals + " %", with "." whatever the locale.
std::string ZoomRateText(double factor);

} // namespace kelvane
