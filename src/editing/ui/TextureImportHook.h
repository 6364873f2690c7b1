#pragma once
// How the shader tab gets a texture picture: the shell installs the import (file dialog or
// clipboard, the JPEG written beside the scene) and the thumbnails of the pictures a scene names,
// which the editing layer cannot make itself.
#include <QImage>

#include <functional>
#include <string>

namespace kelvane {

// textureName: shader name + slot digit; fromClipboard: "Clip Board" rather than "Reference".
// Returns the picture shown on the texture page, or a null image when nothing was imported.
using TTextureImport = std::function<QImage(const std::string& textureName, bool fromClipboard)>;

TTextureImport& TextureImport();

// The thumbnail of a texture's picture file, fileName as the scene names it (relative to the
// scene's folder); a null image when it cannot be read.
using TTextureThumbnail = std::function<QImage(const std::string& fileName)>;

TTextureThumbnail& TextureThumbnail();

} // namespace kelvane
