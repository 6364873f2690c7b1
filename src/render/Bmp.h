#pragma once
// Windows bitmap files.
#include <filesystem>
#include <string>

#include "render/Picture.h"

namespace kelvane {

// 24-bit uncompressed bitmap: BITMAPFILEHEADER, BITMAPINFOHEADER, bottom-up rows padded to four
// bytes. Alpha is dropped. Raises EPictureError for an empty picture.
std::string EncodeBmp(const TPicture& picture);
void SaveBmp(const std::filesystem::path& file, const TPicture& picture);

} // namespace kelvane
