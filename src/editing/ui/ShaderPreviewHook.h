#pragma once
// How the shader tab previews a shader: the shell installs the steps that need the renderer and
// the picture decoders, which the editing layer cannot reach itself.
#include <QImage>
#include <QString>

#include <functional>
#include <string>

namespace kelvane {

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

TShaderPreviewHook& ShaderPreview();

} // namespace kelvane
