#pragma once
// Pictures imported as image textures: a JPEG file beside the scene.
#include <filesystem>

#include "render/Picture.h"
#include "render/PictureDecoders.h"

namespace kelvane {

constexpr int kTextureJpegQuality = 100;
constexpr const char* kTextureExtension = "jpg";

// Decodes `source` by its extension and writes it to `target` (a JPEG file): JPEG files (".jpg"
// or ".jpeg" in any case, by the format table) are copied byte for byte, any other picture is
// encoded at quality 100.
// Returns the decoded picture for the thumbnail. Nothing is written when decoding fails.
TPicture ImportTexturePicture(const TPictureDecoders& decoders, const std::filesystem::path& source,
                              const std::filesystem::path& target);

// A picture from elsewhere (the clipboard) written to `target` as a JPEG of quality 100.
void SaveTexturePicture(const TPicture& picture, const std::filesystem::path& target);

} // namespace kelvane
