#pragma once
// What the editor tabs need from their window but cannot reach themselves: texture import and
// thumbnails (file dialog or clipboard, the JPEG written beside the scene) and shader previews
// (the renderer and the picture decoders). Each window hands its own to its tabs' context.
#include <QImage>
#include <QString>

#include <functional>
#include <string>

namespace kelvane {

// textureName: shader name + slot digit; fromClipboard: "Clip Board" rather than "Reference".
// Returns the picture shown on the texture page, or a null image when nothing was imported.
using TTextureImport = std::function<QImage(const std::string& textureName, bool fromClipboard)>;

// The thumbnail of a texture's picture file, fileName as the scene names it (relative to the
// scene's folder); a null image when it cannot be read.
using TTextureThumbnail = std::function<QImage(const std::string& fileName)>;

struct TShaderPreviewHook {
    // The message of a failed check on the working element; empty when the shader can be
    // previewed.
    std::function<std::string()> check;
    // Selects the element list's current row again: the working element is committed, built
    // again and the tab filled.
    std::function<void()> reselect;
    // Renders the selected shader on a sphere or a cube; nowRendering runs when the renderer is
    // about to start. A null image when no picture came back.
    std::function<QImage(bool cube, const std::function<void()>& nowRendering)> render;
    std::function<void(const QString&)> message;
};

struct TEditorHooks {
    TTextureImport textureImport;
    TTextureThumbnail textureThumbnail;
    TShaderPreviewHook shaderPreview;
};

} // namespace kelvane
