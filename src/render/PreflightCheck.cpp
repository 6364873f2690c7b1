#include "render/PreflightCheck.h"

#include <algorithm>
#include <fcntl.h>
#include <map>
#include <unistd.h>

#include "scene/FileIO.h"
#include "scene/MeshStash.h"
#include "scene/NumFormat.h"
#include "scene/SceneReading.h"
#include "scene/TextCodec.h"
#include "scene/skDom.h"

namespace kelvane {

namespace {

using TKey = std::pair<std::string, std::string>;  // kind, name

const TDomElement* NextElement(const TDomNode* node)
{
    for (; node; node = node->NextSibling())
        if (const TDomElement* element = node->AsElement())
            return element;
    return nullptr;
}

// A parameter given as an attribute or as a child tag's "value"; false when absent.
bool Parameter(const TDomElement& element, const char16_t* name, std::string& value)
{
    WideString text;
    if (element.TryGetAttribute(name, text)) {
        value = Narrow(text);
        return true;
    }
    for (const TDomElement* child = NextElement(element.FirstChild()); child;
         child = NextElement(child->NextSibling())) {
        if (child->TagName() == name && child->TryGetAttribute(u"value", text)) {
            value = Narrow(text);
            return true;
        }
        if (child->TagName() == u"attributes" && Parameter(*child, name, value))
            return true;
    }
    return false;
}

std::string Quote(const std::string& text)
{
    return "\"" + text + "\"";
}

class TChecker {
public:
    explicit TChecker(const TPreflightScene& scene) : scene_(scene)
    {
        // Unchecked rows leave their elements out of the written scene (a light row with its parts).
        for (const TElementRow& row : scene.rows) {
            if (row.Checked || !row.CheckEnabled)
                continue;
            const std::string text = row.Text;
            const size_t at = text.find(" -- ");
            if (at == std::string::npos)
                continue;
            const std::string kind = text.substr(0, at), name = text.substr(at + 4);
            leftOut_.insert({kind, name});
            if (kind == "light")
                for (const char* part : {".light", ".diffuse", ".caustic"})
                    leftOut_.insert({kind, name + part});
        }
        const TDomElement* root = scene.document ? scene.document->DocumentElement() : nullptr;
        for (const TDomElement* e = root ? NextElement(root->FirstChild()) : nullptr; e;
             e = NextElement(e->NextSibling())) {
            const TKey key{Narrow(e->TagName()), Narrow(e->GetAttribute(u"name"))};
            if (!leftOut_.count(key)) {
                elements_.push_back(e);
                present_.insert(key);
            }
        }
    }

    std::vector<TPreflightFinding> Run()
    {
        int objects = 0;
        bool render = false;
        for (const TDomElement* e : elements_) {
            const std::string kind = Narrow(e->TagName());
            const std::string name = Narrow(e->GetAttribute(u"name"));
            const std::string label = kind + (name.empty() ? "" : " " + name);
            if (kind == "object") {
                ++objects;
                Reference(label, *e, u"shader_name", "shader", "shader");
            } else if (kind == "shader") {
                CheckShader(label, *e);
            } else if (kind == "texture") {
                CheckTexture(label, *e);
            } else if (kind == "camera") {
                Whole(label, *e, u"resx", 1, 65535);
                Whole(label, *e, u"resy", 1, 65535);
            } else if (kind == "render") {
                render = true;
                CheckRender(*e);
            }
        }
        if (!render)
            Add("scene", "there is no render element");
        if (objects == 0)
            Add("scene", "nothing is visible: there is no object, or every object is left out");
        return std::move(findings_);
    }

private:
    void Add(const std::string& element, const std::string& text) { findings_.push_back({element, 0, text}); }

    bool Exists(const std::string& kind, const std::string& name) const { return present_.count({kind, name}) > 0; }

    void Reference(const std::string& label, const TDomElement& e, const char16_t* parameter, const char* kind,
                   const std::string& what)
    {
        std::string name;
        if (Parameter(e, parameter, name) && !Exists(kind, name))
            Add(label, what + " " + Quote(name) + (leftOut_.count({kind, name}) ? " is left out" : " is no element"));
    }

    void CheckShader(const std::string& label, const TDomElement& shader)
    {
        // Node inputs name other shaders; modulators name textures (and shader nodes).
        for (const char16_t* input : {u"input", u"input1", u"input2"})
            Reference(label, shader, input, "shader", "input shader");
        for (const TDomElement* child = NextElement(shader.FirstChild()); child;
             child = NextElement(child->NextSibling())) {
            if (child->TagName() != u"modulator")
                continue;
            std::string texname;
            if (Parameter(*child, u"texname", texname) && !texname.empty() && !Exists("texture", texname))
                Add(label, "modulator texture " + Quote(texname) +
                               (leftOut_.count({"texture", texname}) ? " is left out" : " is no element"));
            Reference(label, *child, u"input", "shader", "modulator input shader");
        }
    }

    void CheckTexture(const std::string& label, const TDomElement& texture)
    {
        const WideString type = texture.GetAttribute(u"type");
        if (type != u"image" && type != u"jpeg")
            return;
        std::string file;
        if (!Parameter(texture, u"filename", file) || file.empty()) {
            Add(label, "the image texture names no file");
            return;
        }
        const std::filesystem::path path = file[0] == '/' ? std::filesystem::path(file) : scene_.folder / file;
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec)) {
            Add(label, "the image file " + Quote(file) + " does not exist");
            return;
        }
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            Add(label, "the image file " + Quote(file) + " cannot be read");
        else
            ::close(fd);
    }

    void CheckRender(const TDomElement& render)
    {
        std::string camera;
        if (!Parameter(render, u"camera_name", camera) || camera.empty())
            Add("render", "no camera is named");
        else
            Reference("render", render, u"camera_name", "camera", "camera");
        Reference("render", render, u"background_name", "background", "background");
        Whole("render", render, u"raydepth", 1, 64);
        Whole("render", render, u"samples", 1, 1024);
        Whole("render", render, u"AA_passes", 0, 1024);
        Whole("render", render, u"AA_minsamples", 1, 1024);
        Number("render", render, u"AA_pixelwidth", 1, 2);
        Number("render", render, u"AA_threshold", 0, 1);
        Number("render", render, u"tolerance", 0, 1);
        if (!scene_.checkOutput)
            return;
        std::string outfile;
        if (!Parameter(render, u"outfile", outfile) || outfile.empty())
            return;
        const std::filesystem::path path = outfile[0] == '/' ? std::filesystem::path(outfile) : scene_.folder / outfile;
        std::error_code ec;
        if (!std::filesystem::is_directory(path.parent_path(), ec))
            Add("render", "the output folder of " + Quote(outfile) + " does not exist");
    }

    void Whole(const std::string& label, const TDomElement& e, const char16_t* parameter, long long low, long long high)
    {
        std::string text;
        if (!Parameter(e, parameter, text))
            return;
        int64_t value = 0;
        const std::string name = Narrow(parameter);
        if (!TryStrToInt64(text, value))
            Add(label, name + " " + Quote(text) + " is not a whole number");
        else if (value < low || value > high)
            Add(label, name + " " + text + " is out of range (" + std::to_string(low) + " to " + std::to_string(high) +
                           ")");
    }

    void Number(const std::string& label, const TDomElement& e, const char16_t* parameter, double low, double high)
    {
        std::string text;
        if (!Parameter(e, parameter, text))
            return;
        double value = 0;
        const std::string name = Narrow(parameter);
        if (!TryStrToFloat(text, value))
            Add(label, name + " " + Quote(text) + " is not a number");
        else if (!(value >= low && value <= high))
            Add(label, name + " " + text + " is out of range (" + FloatToStr(low) + " to " + FloatToStr(high) + ")");
    }

    const TPreflightScene& scene_;
    std::set<TKey> leftOut_, present_;
    std::vector<const TDomElement*> elements_;
    std::vector<TPreflightFinding> findings_;
};

bool NameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '.' || c == ':';
}

} // namespace

std::vector<TPreflightFinding> PreflightCheck(const TPreflightScene& scene)
{
    return TChecker(scene).Run();
}

void AttachLines(std::vector<TPreflightFinding>& findings, std::string_view text)
{
    // The label each finding names, and the first line a start tag with that label is on.
    std::map<std::string, int> lines;
    for (const TPreflightFinding& f : findings)
        lines.emplace(f.element, 0);
    size_t remaining = lines.size();
    int line = 1;
    size_t counted = 0;
    for (size_t at = text.find('<'); at != std::string_view::npos && remaining > 0; at = text.find('<', at + 1)) {
        size_t end = at + 1;
        while (end < text.size() && NameChar(text[end]))
            ++end;
        const std::string tag(text.substr(at + 1, end - at - 1));
        if (tag.empty() || tag == "p" || tag == "f" || tag == "scene")
            continue;
        const size_t close = text.find('>', end);
        const std::string_view inside = text.substr(end, close == std::string_view::npos ? text.size() - end : close - end);
        std::string label = tag;
        if (tag != "render") {
            const size_t name = inside.find("name=\"");
            if (name != std::string_view::npos && (name == 0 || !NameChar(inside[name - 1]))) {
                const size_t quote = inside.find('"', name + 6);
                label += " " + std::string(inside.substr(name + 6, quote == std::string_view::npos ? std::string_view::npos
                                                                                                    : quote - name - 6));
            }
        }
        auto found = lines.find(label);
        if (found == lines.end() || found->second != 0)
            continue;
        line += int(std::count(text.begin() + std::ptrdiff_t(counted), text.begin() + std::ptrdiff_t(at), '\n'));
        counted = at;
        found->second = line;
        --remaining;
    }
    for (TPreflightFinding& f : findings)
        if (auto it = lines.find(f.element); it != lines.end())
            f.line = it->second;
}

std::vector<TPreflightFinding> CheckSceneFile(const std::filesystem::path& file, const std::filesystem::path& tempFile)
{
    TMeshStash stash;
    const std::unique_ptr<TDomDocument> document = ReadSceneFile(file, stash, tempFile);
    TPreflightScene scene;
    scene.document = document.get();
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(file, ec);
    scene.folder = (ec ? file : absolute).lexically_normal().parent_path();
    std::vector<TPreflightFinding> findings = PreflightCheck(scene);
    if (!findings.empty()) {
        try {
            AttachLines(findings, ReadWholeFile(file));
        } catch (const std::exception&) {
        }
    }
    return findings;
}

std::string FindingText(const TPreflightFinding& f)
{
    return f.element + (f.line > 0 ? " (line " + std::to_string(f.line) + ")" : "") + ": " + f.text;
}

} // namespace kelvane
