#pragma once
// Two renders of one scene side by side: the figures of the image window's compare label and of
// `kelvane-scene compare`, and the pictures its compare modes show.
#include <string>

#include "render/Picture.h"

namespace kelvane {

struct TPictureDifference {
    double mean[3] = {0, 0, 0};  // mean absolute difference of R, G and B, 0..255
    double changedShare = 0;     // pixels whose colour (or alpha) differs, 0..1
};

// Raises EPictureError when the pictures differ in size. Alpha is compared when both have it.
TPictureDifference ComparePictures(const TPicture& a, const TPicture& b);

// "mean difference R G B: r g b" and "changed pixels: P%" on two lines, without a final break.
std::string DifferenceText(const TPictureDifference& difference);

// The absolute difference of each channel times scale (clamped to 255), opaque RGB.
TPicture DifferencePicture(const TPicture& a, const TPicture& b, int scale);

// Columns left of divider from a, the rest from b, as RGB (divider clamped to the width).
TPicture SplitPicture(const TPicture& a, const TPicture& b, int divider);

} // namespace kelvane
