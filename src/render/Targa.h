#pragma once
// Targa pictures: the renderer's output format.
#include <filesystem>
#include <string>
#include <string_view>

#include "render/Picture.h"

namespace kelvane {

// Decodes uncompressed and run-length Targa data: true colour of 15, 16, 24 and 32 bits, grey of
// 8 bits (16 with alpha) and colour-mapped pictures with 8- or 16-bit indexes into a map of 15-,
// 16-, 24- or 32-bit entries; any origin corner. The image ID and anything after the pixel data
// (extension area, footer) are skipped. 32-bit pixels with alpha bits, grey with alpha and
// 32-bit map entries give RGBA, everything else RGB. Raises EPictureError for data that does not
// hold the picture its header announces.
TPicture DecodeTarga(std::string_view bytes);

// Uncompressed Targa with the origin at the top left: 24 bits for RGB, 32 bits with 8 alpha bits
// for RGBA. Raises EPictureError for an empty picture or one beyond 65535 pixels a side.
std::string EncodeTarga(const TPicture& picture);
void SaveTarga(const std::filesystem::path& file, const TPicture& picture);

} // namespace kelvane
