#pragma once
// JPEG pictures through libjpeg.
#include <filesystem>
#include <string>
#include <string_view>

#include "render/Picture.h"

namespace kelvane {

struct TJpegOptions {
    int quality = 65; // libjpeg's 1..100 scale
    bool progressive = false;
};

// The export dialog's compression slider (0..10) as a quality: 30, 37, ... 100.
int JpegQualityFromSlider(int position);

// Encodes RGB (alpha is dropped). libjpeg's failures raise EPictureError with libjpeg's text.
std::string EncodeJpeg(const TPicture& picture, const TJpegOptions& options);
// Encodes first, then writes beside the file and renames: a failure leaves an old file whole.
void SaveJpeg(const std::filesystem::path& file, const TPicture& picture, const TJpegOptions& options);

// Decodes baseline and progressive JPEG, grey or colour, to RGB. libjpeg's failures, and data
// that ends before the picture does, raise EPictureError with libjpeg's text.
TPicture DecodeJpeg(std::string_view bytes);

} // namespace kelvane
