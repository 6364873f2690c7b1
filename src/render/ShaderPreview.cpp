#include "render/ShaderPreview.h"

#include "editing/SceneSession.h"
#include "render/PictureDecoders.h"
#include "render/ProcessRunner.h"
#include "scene/FileIO.h"
#include "scene/SceneWriter.h"
#include "scene/TempFiles.h"
#include "scene/TextCodec.h"

#include <algorithm>
#include <system_error>

namespace kelvane {

namespace {

constexpr std::string_view kShaderName = "shader.shader.name";

// Lines of the template joined with CR LF, whatever line ends it had.
std::string JoinLines(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        if (!out.empty() || start > 0)
            out += "\r\n";
        out.append(text.substr(start, end - start));
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return out;
}

} // namespace

std::string PreviewTemplateIn(std::string_view templateText, const std::filesystem::path& folder)
{
    std::string text(templateText);
    for (const char* file : {kPreviewJpegFile, kPreviewTargaFile}) {
        const std::string value = "\"" + std::string(file) + "\"";
        const std::string path = "\"" + (folder / file).string() + "\"";
        for (size_t at = text.find(value); at != std::string::npos; at = text.find(value, at + path.size()))
            text.replace(at, value.size(), path);
    }
    return text;
}

std::string CheckShaderPreview(TSceneSession& session)
{
    const TWorkingElement& working = session.Working();
    TDomElement* element = working.Element();
    if (!element || working.IsDocument())
        return {};
    int n = 0;
    for (TDomNode* child = element->FirstChild(); child; child = child->NextSibling(), ++n)
        if (!child->HasChildNodes() && working.Mark(n) != u"deleted")
            return "Lack of Texture or Clouds Parameter";
    std::string message;
    session.BeginModulatorView();
    for (TDomNode* child = element->FirstChild(); child; child = child->NextSibling())
        if (!child->HasChildNodes()) {
            const TDomElement* modulator = child->AsElement();
            message = "Lack of Texture Setting :" + (modulator ? Narrow(modulator->GetAttribute(u"texname")) : "");
            break;
        }
    session.EndModulatorView();
    return message;
}

std::string PreviewSceneText(TSceneSession& session, std::string_view templateText)
{
    std::string inserted;
    if (TDomElement* element = session.Working().Element())
        for (TDomNode* child = element->FirstChild(); child; child = child->NextSibling())
            inserted += "\n" + Narrow(child->GetXML(7, 7));
    std::string text = JoinLines(templateText);
    text.insert(std::min<size_t>(7, text.size()), inserted);
    return ReorderScene(text);
}

TPicture RenderShaderPreview(TSceneSession& session, const TPictureDecoders& decoders,
                             const TPreviewRequest& request)
{
    const std::filesystem::path sceneFolder = session.SceneFolder();
    const std::filesystem::path previewFolder = request.programFolder / "preview";
    const std::string templateText =
        ReadWholeFile(previewFolder / (request.cube ? "prev_cube.xml" : "prev_sphe.xml"));
    const std::string name = session.SelectedName();
    const TWorkFolder work("kelvane-preview");
    const std::filesystem::path sceneFile = work.Path() / kPreviewSceneFile;
    const std::filesystem::path jpegFile = work.Path() / kPreviewJpegFile;
    const std::filesystem::path targaFile = work.Path() / kPreviewTargaFile;

    // The shader is named "preview" while its text is taken, so the window stays free to use
    // while the renderer runs.
    std::string sceneText;
    session.SetValue(kShaderName, name, "preview");
    try {
        sceneText = PreviewSceneText(session, PreviewTemplateIn(templateText, work.Path()));
    } catch (...) {
        session.SetValue(kShaderName, "preview", name);
        throw;
    }
    session.SetValue(kShaderName, "preview", name);

    WriteFileAtomic(sceneFile, sceneText + "\r\n");
    if (request.nowRendering)
        request.nowRendering();
    const std::filesystem::path jpegSource = previewFolder / kPreviewJpegFile;
    if (FileExists(jpegSource))
        CopyFileAtomic(jpegSource, jpegFile);

    TRunRequest run;
    run.executable = request.executable;
    run.scene = sceneFile;
    run.workFolder = sceneFolder;
    std::string output;
    RunRenderer(run, output, output, request.observer);

    TPicture picture;
    if (FileExists(targaFile)) {
        try {
            picture = decoders.Load(targaFile);
        } catch (const EKelvaneError&) {
            picture = {};
        }
    }
    return picture;
}

} // namespace kelvane
