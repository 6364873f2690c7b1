#pragma once
// How the shader tab gets a texture picture: the shell installs the import (file dialog or
// clipboard, the JPEG written beside the scene), which the editing layer cannot reach itself.
#include <QImage>

#include <functional>
#include <string>

namespace kelvane {

// textureName: shader name + slot digit; fromClipboard: "Clip Board" rather than "Reference".
// Returns the picture shown on the texture page, or a null image when nothing was imported.
using TTextureImport = std::function<QImage(const std::string& textureName, bool fromClipboard)>;

TTextureImport& TextureImport();

} // namespace kelvane
