#pragma once
// PNG pictures through libpng.
#include <filesystem>
#include <string>
#include <string_view>

#include "render/Picture.h"

namespace kelvane {

// The row filters in the order of the export dialog's choice (positions 0 to 5). Adaptive lets
// libpng pick a filter for each row.
enum class TPngFilter { None, Adaptive, Sub, Up, Average, Paeth };

struct TPngOptions {
    int level = 4; // zlib level 0..9
    bool interlace = false; // Adam7
    TPngFilter filter = TPngFilter::None;
};

// The export dialog's compression slider (0..9) as a zlib level: 9 - position.
int PngLevelFromSlider(int position);
// The dialog's filter position; positions outside 0..5 give None.
TPngFilter PngFilterFromPosition(int position);

// Encodes 8-bit RGB or RGBA. libpng's failures raise EPictureError with libpng's text.
std::string EncodePng(const TPicture& picture, const TPngOptions& options);
// Encodes first, then writes beside the file and renames: a failure leaves an old file whole.
void SavePng(const std::filesystem::path& file, const TPicture& picture, const TPngOptions& options);

// Decodes every PNG colour type and bit depth to 8-bit RGB, or RGBA where the file has alpha or
// a transparent colour. libpng's failures raise EPictureError with libpng's text.
TPicture DecodePng(std::string_view bytes);

} // namespace kelvane
