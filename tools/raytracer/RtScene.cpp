#include "raytracer/RtScene.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <unistd.h>

#include "scene/MeshStash.h"
#include "scene/SceneReading.h"
#include "scene/TextCodec.h"
#include "scene/skDom.h"

namespace kelvane::rt {

namespace {

constexpr double kPi = 3.14159265358979323846;

// ---------------------------------------------------------------------------------------------
// Numbers and raw tags

// A number in C form (a '.' decimal point whatever the locale); false when the text is not one.
bool ParseNumber(std::string_view text, double& value)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
        ++i;
    if (i < text.size() && text[i] == '+')
        ++i;
    size_t end = text.size();
    while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r' || text[end - 1] == '\n'))
        --end;
    if (i >= end)
        return false;
    const auto [ptr, ec] = std::from_chars(text.data() + i, text.data() + end, value);
    return ec == std::errc() && ptr == text.data() + end && std::isfinite(value);
}

// Calls f(name, value) for every attribute of the start tag at `pos` (just after its name) up
// to its '>'; returns the position after the tag.
template <class F>
size_t ScanAttributes(std::string_view t, size_t pos, F&& f)
{
    const size_t n = t.size();
    while (pos < n) {
        while (pos < n && (t[pos] == ' ' || t[pos] == '\t' || t[pos] == '\r' || t[pos] == '\n'))
            ++pos;
        if (pos >= n)
            break;
        if (t[pos] == '>')
            return pos + 1;
        if (t[pos] == '/') {
            ++pos;
            continue;
        }
        const size_t nameStart = pos;
        while (pos < n && !std::strchr(" \t\r\n=/>", t[pos]))
            ++pos;
        const std::string_view name = t.substr(nameStart, pos - nameStart);
        while (pos < n && (t[pos] == ' ' || t[pos] == '\t' || t[pos] == '\r' || t[pos] == '\n'))
            ++pos;
        if (pos >= n || t[pos] != '=')
            continue;
        ++pos;
        while (pos < n && (t[pos] == ' ' || t[pos] == '\t' || t[pos] == '\r' || t[pos] == '\n'))
            ++pos;
        if (pos >= n)
            break;
        const char quote = t[pos];
        if (quote != '"' && quote != '\'')
            continue;
        const size_t close = t.find(quote, pos + 1);
        if (close == std::string_view::npos)
            return n;
        f(name, t.substr(pos + 1, close - pos - 1));
        pos = close + 1;
    }
    return n;
}

// ---------------------------------------------------------------------------------------------
// Document access

std::string Attr(const TDomElement* e, const char* name)
{
    return Narrow(e->GetAttribute(W(name)));
}

const TDomElement* Child(const TDomElement* e, const char* name)
{
    if (!e)
        return nullptr;
    const WideString wide = W(name);
    for (const TDomNode* c = e->FirstChild(); c; c = c->NextSibling())
        if (const TDomElement* ce = c->AsElement(); ce && ce->TagName() == wide)
            return ce;
    return nullptr;
}

bool HasAttr(const TDomElement* e, const char* name)
{
    return e && e->HasAttribute(W(name));
}

// Parameters are attributes of the element or children `<name value=""/>`, `<name r g b/>`,
// `<name x y z/>`; a shader keeps them in its `attributes` child.
struct Params {
    const TDomElement* primary = nullptr;
    const TDomElement* secondary = nullptr;

    // The text of a scalar parameter; found tells whether it is there.
    std::string Text(const char* name, bool& found) const
    {
        for (const TDomElement* e : {primary, secondary}) {
            if (!e)
                continue;
            if (const TDomElement* c = Child(e, name); c && HasAttr(c, "value")) {
                found = true;
                return Attr(c, "value");
            }
            if (HasAttr(e, name)) {
                found = true;
                return Attr(e, name);
            }
        }
        found = false;
        return {};
    }
    double Number(const char* name, double fallback) const
    {
        bool found = false;
        double v = 0;
        const std::string text = Text(name, found);
        return found && ParseNumber(text, v) ? v : fallback;
    }
    bool Flag(const char* name, bool fallback) const
    {
        bool found = false;
        const std::string text = Text(name, found);
        return found ? text == "on" : fallback;
    }
    std::string String(const char* name) const
    {
        bool found = false;
        return Text(name, found);
    }
    Color Colour(const char* name, Color fallback, bool* found = nullptr) const
    {
        for (const TDomElement* e : {primary, secondary}) {
            const TDomElement* c = Child(e, name);
            if (!c)
                continue;
            if (found)
                *found = true;
            double v = 0;
            if (HasAttr(c, "value") && ParseNumber(Attr(c, "value"), v))
                return Color(v);
            Color out;
            ParseNumber(Attr(c, "r"), out.r);
            ParseNumber(Attr(c, "g"), out.g);
            ParseNumber(Attr(c, "b"), out.b);
            return out;
        }
        bool textFound = false;
        double v = 0;
        const std::string text = Text(name, textFound);
        if (textFound && ParseNumber(text, v)) {
            if (found)
                *found = true;
            return Color(v);
        }
        if (found)
            *found = false;
        return fallback;
    }
    Vec3 Point(const char* name, Vec3 fallback) const
    {
        for (const TDomElement* e : {primary, secondary}) {
            if (const TDomElement* c = Child(e, name)) {
                Vec3 out;
                ParseNumber(Attr(c, "x"), out.x);
                ParseNumber(Attr(c, "y"), out.y);
                ParseNumber(Attr(c, "z"), out.z);
                return out;
            }
        }
        return fallback;
    }
};

// ---------------------------------------------------------------------------------------------
// Meshes

struct Face {
    int64_t v[3];
    int shader;  // -1: the object's
};

struct MeshData {
    std::vector<Vec3> points;  // the raw list (with orco points when has_orco is on)
    std::vector<Face> faces;
    double autosmooth = 0;
};

struct ObjectRecord {
    std::string name;
    std::shared_ptr<const MeshData> mesh;
    Mat4 matrix;
    int shader = 0;
    bool castShadow = true;
    bool alive = true;
};

// Points and faces from the stashed text of a mesh block, in one pass.
std::shared_ptr<MeshData> ParseMesh(std::string_view t, const std::map<std::string, int>& shaderIndex,
                                    const std::string& objectName, std::vector<std::string>& warnings)
{
    auto mesh = std::make_shared<MeshData>();
    bool unknownShader = false;
    size_t pos = 0;
    const size_t n = t.size();
    while ((pos = t.find('<', pos)) != std::string_view::npos) {
        ++pos;
        const size_t nameStart = pos;
        while (pos < n && !std::strchr(" \t\r\n/>", t[pos]))
            ++pos;
        const std::string_view name = t.substr(nameStart, pos - nameStart);
        if (name == "p") {
            Vec3 p;
            bool ok[3] = {false, false, false};
            pos = ScanAttributes(t, pos, [&](std::string_view key, std::string_view value) {
                if (key.size() == 1 && key[0] >= 'x' && key[0] <= 'z') {
                    const int axis = key[0] - 'x';
                    double v = 0;
                    ok[axis] = ParseNumber(value, v);
                    (axis == 0 ? p.x : axis == 1 ? p.y : p.z) = v;
                }
            });
            if (!ok[0] || !ok[1] || !ok[2])
                throw std::runtime_error("Object \"" + objectName + "\": point " + std::to_string(mesh->points.size()) +
                                         " lacks a number in x, y or z");
            mesh->points.push_back(p);
        } else if (name == "f") {
            Face f{{0, 0, 0}, -1};
            bool ok[3] = {false, false, false};
            pos = ScanAttributes(t, pos, [&](std::string_view key, std::string_view value) {
                if (key.size() == 1 && key[0] >= 'a' && key[0] <= 'c') {
                    double v = 0;
                    const int k = key[0] - 'a';
                    ok[k] = ParseNumber(value, v) && std::fabs(v) < 9e18;
                    f.v[k] = ok[k] ? static_cast<int64_t>(v) : 0;
                } else if (key == "shader_name") {
                    const auto it = shaderIndex.find(std::string(value));
                    if (it != shaderIndex.end())
                        f.shader = it->second;
                    else
                        unknownShader = true;
                }
            });
            if (!ok[0] || !ok[1] || !ok[2])
                throw std::runtime_error("Object \"" + objectName + "\": face " + std::to_string(mesh->faces.size()) +
                                         " lacks a number in a, b or c");
            mesh->faces.push_back(f);
        }
    }
    bool outOfRange = false;
    const int64_t count = static_cast<int64_t>(mesh->points.size());
    for (Face& f : mesh->faces)
        for (int64_t& v : f.v)
            if (v < 0 || v >= count) {
                v = 0;
                outOfRange = true;
            }
    if (outOfRange)
        warnings.push_back("Object \"" + objectName + "\": a face index outside the point list is taken as 0");
    if (unknownShader)
        warnings.push_back("Object \"" + objectName + "\": a face names an unknown shader; it uses the object's");
    if (count == 0 && !mesh->faces.empty())
        mesh->faces.clear();
    return mesh;
}

Mat4 ParseTransformTag(std::string_view tag)
{
    Mat4 m;
    const size_t start = tag.find("transform");
    ScanAttributes(tag, start == std::string_view::npos ? 0 : start + 9, [&](std::string_view key, std::string_view value) {
        if (key.size() == 3 && key[0] == 'm' && key[1] >= '0' && key[1] <= '3' && key[2] >= '0' && key[2] <= '3') {
            double v = 0;
            if (ParseNumber(value, v))
                m.m[key[1] - '0'][key[2] - '0'] = v;
        }
    });
    return m;
}

// Appends one object's world-space triangles, face normals and corner normals.
void AddObject(const ObjectRecord& o, uint32_t objectId, Scene& scene)
{
    const MeshData& mesh = *o.mesh;
    const size_t base = scene.points.size();
    const bool identity = o.matrix.IsIdentity();
    for (const Vec3& p : mesh.points)
        scene.points.push_back(identity ? p : o.matrix.Point(p));
    const Vec3* wp = scene.points.data() + base;
    std::vector<Vec3> normals(mesh.faces.size());
    for (size_t i = 0; i < mesh.faces.size(); ++i) {
        const Face& f = mesh.faces[i];
        normals[i] = Norm(Cross(wp[f.v[1]] - wp[f.v[0]], wp[f.v[2]] - wp[f.v[0]]));
    }
    // Faces sharing each vertex index, for smoothing.
    std::vector<uint32_t> start, list;
    const bool smooth = mesh.autosmooth >= 1;
    if (smooth) {
        start.assign(mesh.points.size() + 1, 0);
        for (const Face& f : mesh.faces)
            for (int64_t v : f.v)
                ++start[v + 1];
        for (size_t i = 1; i < start.size(); ++i)
            start[i] += start[i - 1];
        list.resize(start.back());
        std::vector<uint32_t> fill(start.begin(), start.end() - 1);
        for (size_t i = 0; i < mesh.faces.size(); ++i)
            for (int64_t v : mesh.faces[i].v)
                list[fill[v]++] = static_cast<uint32_t>(i);
    }
    const double cosA = std::cos(mesh.autosmooth * kPi / 180);
    const bool all = mesh.autosmooth >= 180;
    for (size_t i = 0; i < mesh.faces.size(); ++i) {
        const Face& f = mesh.faces[i];
        if (Dot(normals[i], normals[i]) == 0)
            continue;  // degenerate: never hit
        Triangle tri;
        for (int k = 0; k < 3; ++k)
            tri.v[k] = static_cast<uint32_t>(base + f.v[k]);
        tri.object = objectId;
        tri.shader = static_cast<uint32_t>(f.shader >= 0 ? f.shader : o.shader);
        if (smooth) {
            tri.corners = static_cast<int64_t>(scene.cornerNormals.size());
            for (int k = 0; k < 3; ++k) {
                Vec3 sum;
                const int64_t v = f.v[k];
                for (uint32_t j = start[v]; j < start[v + 1]; ++j) {
                    const Vec3& ng = normals[list[j]];
                    if (all || Dot(ng, normals[i]) > cosA)
                        sum += ng;
                }
                const Vec3 corner = Norm(sum);
                scene.cornerNormals.push_back(Dot(corner, corner) > 0 ? corner : normals[i]);
            }
        }
        scene.triangles.push_back(tri);
        scene.faceNormals.push_back(normals[i]);
    }
}

Shader ReadShader(const TDomElement* e)
{
    Shader s;
    s.name = Attr(e, "name");
    const std::string type = Attr(e, "type");
    s.type = type == "generic" ? ShaderType::Generic : type == "constant" ? ShaderType::Constant
           : type == "blendershader" ? ShaderType::Blender : ShaderType::Other;
    const Params p{Child(e, "attributes"), e};
    s.color = p.Colour("color", Color());
    s.specular = p.Colour("specular", Color());
    s.reflected = p.Colour("reflected", Color());
    bool found = false;
    s.transmitted = p.Colour("transmitted", Color(), &found);
    if (!found)
        s.transmitted = p.Colour("transmited", Color());
    s.absorption = p.Colour("absorption", Color());
    s.hard = p.Number("hard", 1);
    s.ior = p.Number("IOR", 1);
    s.minRefle = p.Number("min_refle", 0);
    s.fastFresnel = p.Flag("fast_fresnel", false);
    s.tir = p.Flag("tir", false);
    s.diffuseReflect = p.Number("diffuse_reflect", 1);
    s.specularColor = p.Colour("specular_color", Color());
    s.specularAmount = p.Number("specular_amount", 0);
    s.emit = p.Number("emit", 0);
    s.alpha = p.Number("alpha", 1);
    s.mirrorColor = p.Colour("mirror_color", Color());
    s.reflect = p.Flag("reflect", false);
    s.refract = p.Flag("refract", false);
    s.fresnelOffset = p.Number("fresnel_offset", 0);
    s.reflectAmount = p.Number("reflect_amount", 0);
    s.shadeless = p.String("matmodes").find("shadeless") != std::string::npos;
    return s;
}

bool ReadLight(const TDomElement* e, Light& l)
{
    const std::string type = Attr(e, "type");
    const Params p{e, nullptr};
    if (!p.Flag("use_in_render", true))
        return false;
    if (type == "pointlight")
        l.type = LightType::Point;
    else if (type == "sunlight")
        l.type = LightType::Sun;
    else if (type == "spotlight")
        l.type = LightType::Spot;
    else if (type == "softlight")
        l.type = LightType::Soft;
    else if (type == "arealight")
        l.type = LightType::Area;
    else if (type == "hemilight")
        l.type = LightType::Hemi;
    else
        return false;  // photon and path lights: indirect light is not drawn
    l.from = p.Point("from", Vec3());
    l.to = p.Point("to", Vec3());
    bool hasColor = false;
    l.color = p.Colour("color", l.type == LightType::Area ? Color() : Color(1.0), &hasColor);
    l.hasColor = hasColor;
    l.power = p.Number("power", 1);
    l.castShadows = p.Flag("cast_shadows", true);
    l.size = p.Number("size", 45);
    l.blend = p.Number("blend", 0.15);
    l.beamFalloff = p.Number("beam_falloff", 2);
    l.res = p.Number("res", 100);
    l.radius = p.Number("radius", 1);
    l.bias = p.Number("bias", 0.1);
    l.a = p.Point("a", Vec3());
    l.b = p.Point("b", Vec3());
    l.c = p.Point("c", Vec3());
    l.d = p.Point("d", Vec3());
    l.samples = static_cast<int>(std::clamp(p.Number("samples", l.type == LightType::Hemi ? 16 : 50), 1.0, 1024.0));
    l.psamples = static_cast<int>(std::clamp(p.Number("psamples", 0), 0.0, 1024.0));
    l.maxDistance = p.Number("maxdistance", -1);
    return true;
}

Camera ReadCamera(const TDomElement* e)
{
    Camera c;
    const Params p{e, nullptr};
    c.resx = static_cast<int>(std::clamp(p.Number("resx", 100), 1.0, 8192.0));
    c.resy = static_cast<int>(std::clamp(p.Number("resy", 100), 1.0, 8192.0));
    c.focal = p.Number("focal", 1);
    c.aspectRatio = p.Number("aspect_ratio", 1);
    c.ortho = p.String("type") == "ortho";
    c.from = p.Point("from", Vec3());
    c.to = p.Point("to", Vec3(0, 0, -1));
    c.up = p.Point("up", Vec3(0, 1, 0));
    return c;
}

Background ReadBackground(const TDomElement* e, std::vector<std::string>& warnings)
{
    Background b;
    const Params p{e, nullptr};
    const std::string type = Attr(e, "type");
    if (type == "constant") {
        b.type = BackgroundType::Constant;
        b.color = p.Colour("color", Color(1.0));
    } else if (type == "sunsky") {
        b.type = BackgroundType::Sunsky;
        b.sunDir = Norm(p.Point("from", Vec3(1, 1, 1)));
        b.turbidity = p.Number("turbidity", 4);
        const char* names[5] = {"a_var", "b_var", "c_var", "d_var", "e_var"};
        for (int i = 0; i < 5; ++i)
            b.perez[i] = p.Number(names[i], 1);
    } else {
        warnings.push_back("Background type \"" + type + "\" is drawn black");
    }
    return b;
}

Settings ReadSettings(const TDomElement* e)
{
    Settings s;
    const Params p{e, nullptr};
    s.rayDepth = static_cast<int>(std::clamp(p.Number("raydepth", 3), 0.0, 32.0));
    s.bias = p.Number("bias", 0.1);
    s.gamma = p.Number("gamma", 1);
    s.exposure = p.Number("exposure", 0);
    s.aaPasses = static_cast<int>(std::clamp(p.Number("AA_passes", 0), -1.0, 32.0));
    bool found = false;
    const std::string samples = p.Text("samples", found);
    double v = 0;
    if (found && ParseNumber(samples, v))
        s.aaPasses = static_cast<int>(std::clamp(v - 1, -1.0, 32.0));
    if (s.aaPasses < 0)
        s.aaPasses = 1;
    s.aaMinSamples = static_cast<int>(std::clamp(p.Number("AA_minsamples", 1), 0.0, 64.0));
    if (s.aaMinSamples < 1)
        s.aaMinSamples = 1;
    s.aaPixelWidth = std::clamp(p.Number("AA_pixelwidth", 1.5), 1.0, 2.0);
    s.aaThreshold = p.Number("AA_threshold", 0.05);
    s.aaThreshold = p.Number("tolerance", s.aaThreshold);
    s.clampRgb = p.Flag("clamp_rgb", false);
    s.saveAlpha = p.Flag("save_alpha", false);
    s.alphaPremultiply = p.Flag("alpha_premultiply", false);
    s.alphaMaskBackground = p.Flag("alpha_maskbackground", false);
    s.fogDensity = p.Number("fog_density", 0);
    s.fogColor = p.Colour("fog_color", Color(1.0));
    const std::string out = p.String("outfile");
    if (!out.empty())
        s.outfile = out;
    return s;
}

} // namespace

void BuildScene(const TDomDocument& document, const TMeshStash& stash, Scene& scene)
{
    const TDomElement* root = document.DocumentElement();
    if (!root)
        throw std::runtime_error("There is no scene in the file");
    std::map<std::string, int> shaderIndex;
    std::map<std::string, size_t> objectIndex;
    std::vector<ObjectRecord> objects;
    std::map<std::string, Camera> cameras;
    std::map<std::string, Background> backgrounds;
    const TDomElement* render = nullptr;
    std::string firstCamera;

    // Depth-first walk without recursion; transforms multiply outer * inner.
    struct Frame {
        const TDomNode* next;
        Mat4 matrix;
    };
    std::vector<Frame> stack{{root->FirstChild(), Mat4()}};
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (!frame.next) {
            stack.pop_back();
            continue;
        }
        const TDomNode* node = frame.next;
        frame.next = node->NextSibling();
        const TDomElement* e = node->AsElement();
        if (!e)
            continue;
        const std::string tag = Narrow(e->TagName());
        const Mat4 matrix = frame.matrix;
        if (tag == "fake_transform" || tag == "transform") {
            Mat4 t;
            if (tag == "fake_transform") {
                double n = -1;
                if (ParseNumber(Attr(e, "trns"), n) && n >= 0 && n < static_cast<double>(stash.TransformCount()))
                    t = ParseTransformTag(stash.Transform(static_cast<size_t>(n)));
            } else {
                for (int r = 0; r < 4; ++r)
                    for (int c = 0; c < 4; ++c) {
                        const char name[4] = {'m', static_cast<char>('0' + r), static_cast<char>('0' + c), 0};
                        double v = 0;
                        if (ParseNumber(Attr(e, name), v))
                            t.m[r][c] = v;
                    }
            }
            stack.push_back({e->FirstChild(), matrix * t});
        } else if (tag == "shader") {
            Shader s = ReadShader(e);
            const auto it = shaderIndex.find(s.name);
            if (it != shaderIndex.end()) {
                scene.shaders[it->second] = std::move(s);
            } else {
                shaderIndex[s.name] = static_cast<int>(scene.shaders.size());
                scene.shaders.push_back(std::move(s));
            }
        } else if (tag == "object") {
            ObjectRecord o;
            o.name = Attr(e, "name");
            o.castShadow = Attr(e, "shadow") != "off";
            o.matrix = matrix;
            if (Child(e, "null")) {
                const std::string original = Attr(e, "original");
                const auto it = objectIndex.find(original.empty() ? o.name : original);
                if (it == objectIndex.end() || !objects[it->second].alive) {
                    scene.warnings.push_back("Object \"" + o.name + "\": no object \"" +
                                             (original.empty() ? o.name : original) + "\" to place");
                    continue;
                }
                if (original.empty()) {
                    objects[it->second].matrix = matrix;
                    continue;
                }
                const ObjectRecord& from = objects[it->second];
                o.mesh = from.mesh;
                o.matrix = matrix * from.matrix;
                o.shader = from.shader;
                o.castShadow = from.castShadow;
            } else {
                const auto shader = shaderIndex.find(Attr(e, "shader_name"));
                if (shader == shaderIndex.end()) {
                    scene.warnings.push_back("Object \"" + o.name + "\": unknown shader \"" + Attr(e, "shader_name") +
                                             "\"; the object is dropped");
                    continue;
                }
                o.shader = shader->second;
                const TDomElement* meshElement = Child(e, "mesh");
                const TDomElement* fake = Child(meshElement, "fake_mesh");
                double n = -1;
                if (!fake || !ParseNumber(Attr(fake, "mesh"), n) || n < 0 || n >= static_cast<double>(stash.MeshCount()))
                    throw std::runtime_error("Object \"" + o.name + "\" has no mesh data");
                auto mesh = ParseMesh(stash.Mesh(static_cast<size_t>(n)), shaderIndex, o.name, scene.warnings);
                mesh->autosmooth = Params{meshElement, nullptr}.Number("autosmooth", 0);
                o.mesh = std::move(mesh);
            }
            const auto old = objectIndex.find(o.name);
            if (old != objectIndex.end())
                objects[old->second].alive = false;
            objectIndex[o.name] = objects.size();
            objects.push_back(std::move(o));
        } else if (tag == "light") {
            Light l;
            if (ReadLight(e, l))
                scene.lights.push_back(l);
        } else if (tag == "camera") {
            const std::string name = Attr(e, "name");
            cameras[name] = ReadCamera(e);
            if (firstCamera.empty())
                firstCamera = name;
        } else if (tag == "background") {
            backgrounds[Attr(e, "name")] = ReadBackground(e, scene.warnings);
        } else if (tag == "render" && !render) {
            render = e;
        }
    }
    if (!render)
        throw std::runtime_error("Nothing to render");
    scene.settings = ReadSettings(render);
    const Params rp{render, nullptr};
    const std::string cameraName = HasAttr(render, "camera_name") ? Attr(render, "camera_name") : rp.String("camera_name");
    const auto camera = cameras.find(cameraName.empty() ? firstCamera : cameraName);
    if (camera != cameras.end()) {
        scene.camera = camera->second;
    } else {
        scene.warnings.push_back("Camera \"" + cameraName + "\" does not exist");
        scene.camera.resx = 320;
        scene.camera.resy = 240;
    }
    const std::string backgroundName = rp.String("background_name");
    if (const auto bg = backgrounds.find(backgroundName); bg != backgrounds.end())
        scene.background = bg->second;
    if (scene.shaders.empty())
        scene.shaders.push_back(Shader());
    uint32_t id = 0;
    for (const ObjectRecord& o : objects) {
        if (!o.alive)
            continue;
        scene.objectNames.push_back(o.name);
        scene.objectCastsShadow.push_back(o.castShadow ? 1 : 0);
        AddObject(o, id++, scene);
    }
}

void LoadScene(const std::filesystem::path& file, Scene& scene)
{
    // The reader needs a file for the shortened text; it deletes it afterwards.
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
    if (ec)
        dir = ".";
    static int serial = 0;
    const std::filesystem::path fake =
        dir / ("kelvane-rt-" + std::to_string(::getpid()) + "-" + std::to_string(++serial) + ".tmp");
    TMeshStash stash;
    const std::unique_ptr<TDomDocument> document = ReadSceneFile(file, stash, fake);
    BuildScene(*document, stash, scene);
}

} // namespace kelvane::rt
