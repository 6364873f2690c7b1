#pragma once
// The shader preview: the selected shader, with its textures, put into a template scene (a sphere
// or a cube), rendered and the picture loaded. The shader is named "preview" while the preview
// scene's text is made and gets its own name back before the renderer runs. The preview's files
// ("~Preview.tmp", "preview.jpg", "preview.tga") live in a private folder of their own, which
// goes whatever happens, so no file of the user's is ever touched; the renderer runs in the
// scene's folder, where the shader's textures are.
#include <filesystem>
#include <functional>
#include <string>

#include "render/Picture.h"

namespace kelvane {

class IRunObserver;
class TPictureDecoders;
class TSceneSession;

inline constexpr const char* kPreviewSceneFile = "~Preview.tmp";
inline constexpr const char* kPreviewJpegFile = "preview.jpg";
inline constexpr const char* kPreviewTargaFile = "preview.tga";

// The checks made before anything changes, on the working element of a shader row: a held
// element without children that is not marked deleted gives "Lack of Texture or Clouds
// Parameter"; a modulator without children gives "Lack of Texture Setting :" + its texname.
// Empty when the shader can be previewed.
std::string CheckShaderPreview(TSceneSession& session);

struct TPreviewRequest {
    std::filesystem::path programFolder; // holds "preview/prev_sphe.xml", "prev_cube.xml", "preview.jpg"
    std::string executable;              // the renderer
    bool cube = false;
    std::function<void()> nowRendering;  // the scene is written, the renderer about to start
    IRunObserver* observer = nullptr;
};

// The template with its picture and output files, the values "preview.jpg" and "preview.tga",
// named by their full paths in folder.
std::string PreviewTemplateIn(std::string_view templateText, const std::filesystem::path& folder);

// The template's text (lines joined with CR LF) with the working element's held elements inserted
// after "<scene>", regrouped by kind; the shader is expected to be named "preview" already.
std::string PreviewSceneText(TSceneSession& session, std::string_view templateText);

// Renders the selected shader's preview. Returns the picture, or an empty one when the renderer
// left no readable "preview.tga". A template that cannot be read raises EFileError before anything
// changed.
TPicture RenderShaderPreview(TSceneSession& session, const TPictureDecoders& decoders,
                             const TPreviewRequest& request);

} // namespace kelvane
