#include "raytracer/RtScene.h"

#include "raytracer/RtParams.h"
#include "raytracer/RtSceneShading.h"

#include <algorithm>
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
// Meshes

struct Face {
    int64_t v[3];
    int shader;  // -1: the object's
    uint32_t uv = kNoSlot, vcol = kNoSlot;  // slots of MeshData::uvs and ::vcols
};

struct MeshData {
    std::vector<Vec3> points;  // the raw list (with orco points when has_orco is on)
    std::vector<Face> faces;
    std::vector<float> uvs;    // six per slot
    std::vector<float> vcols;  // nine per slot
    double autosmooth = 0;
    bool hasOrco = false;
};

struct ObjectRecord {
    std::string name;
    std::shared_ptr<const MeshData> mesh;
    Mat4 matrix;
    int shader = 0;
    bool castShadow = true;
    bool alive = true;
    ObjectInfo info;
};

// Index of a face corner attribute: u_a .. v_c, vcol_a_r .. vcol_c_b; -1 for others.
int UvKey(std::string_view key)
{
    if (key.size() == 3 && (key[0] == 'u' || key[0] == 'v') && key[1] == '_' && key[2] >= 'a' && key[2] <= 'c')
        return (key[2] - 'a') * 2 + (key[0] == 'v');
    return -1;
}
int VcolKey(std::string_view key)
{
    if (key.size() == 8 && key.substr(0, 5) == "vcol_" && key[5] >= 'a' && key[5] <= 'c' && key[6] == '_') {
        const char* channels = "rgb";
        const char* at = std::strchr(channels, key[7]);
        if (at && *at)
            return (key[5] - 'a') * 3 + static_cast<int>(at - channels);
    }
    return -1;
}

// Points and faces from the stashed text of a mesh block, in one pass; comments are skipped.
std::shared_ptr<MeshData> ParseMesh(std::string_view t, const std::map<std::string, int>& shaderIndex,
                                    const std::string& objectName, std::vector<std::string>& warnings)
{
    auto mesh = std::make_shared<MeshData>();
    bool unknownShader = false;
    size_t pos = 0;
    const size_t n = t.size();
    while ((pos = t.find('<', pos)) != std::string_view::npos) {
        if (t.compare(pos, 4, "<!--") == 0) {
            const size_t end = t.find("-->", pos + 4);
            if (end == std::string_view::npos)
                break;
            pos = end + 3;
            continue;
        }
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
            float uv[6] = {}, vcol[9] = {};
            bool hasUv = false, hasVcol = false;
            pos = ScanAttributes(t, pos, [&](std::string_view key, std::string_view value) {
                double v = 0;
                if (key.size() == 1 && key[0] >= 'a' && key[0] <= 'c') {
                    const int k = key[0] - 'a';
                    ok[k] = ParseNumber(value, v) && std::fabs(v) < 9e18;
                    f.v[k] = ok[k] ? static_cast<int64_t>(v) : 0;
                } else if (key == "shader_name") {
                    const auto it = shaderIndex.find(std::string(value));
                    if (it != shaderIndex.end())
                        f.shader = it->second;
                    else
                        unknownShader = true;
                } else if (const int k = UvKey(key); k >= 0) {
                    hasUv = true;
                    if (ParseNumber(value, v))
                        uv[k] = static_cast<float>(v);
                } else if (const int c = VcolKey(key); c >= 0) {
                    hasVcol = true;
                    if (ParseNumber(value, v))
                        vcol[c] = static_cast<float>(v);
                }
            });
            if (!ok[0] || !ok[1] || !ok[2])
                throw std::runtime_error("Object \"" + objectName + "\": face " + std::to_string(mesh->faces.size()) +
                                         " lacks a number in a, b or c");
            if (hasUv) {
                f.uv = static_cast<uint32_t>(mesh->uvs.size() / 6);
                mesh->uvs.insert(mesh->uvs.end(), uv, uv + 6);
            }
            if (hasVcol) {
                f.vcol = static_cast<uint32_t>(mesh->vcols.size() / 9);
                mesh->vcols.insert(mesh->vcols.end(), vcol, vcol + 9);
            }
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

// The object's frame: the inverse of its placement and the box of its untransformed mesh.
ObjectInfo FrameOf(const ObjectRecord& o)
{
    ObjectInfo info = o.info;
    info.toObject = AffineInverse(o.matrix);
    Vec3 lo(1e300, 1e300, 1e300), hi(-1e300, -1e300, -1e300);
    const MeshData& mesh = *o.mesh;
    const size_t step = mesh.hasOrco ? 2 : 1;
    for (size_t i = 0; i < mesh.points.size(); i += step) {
        lo = Min(lo, mesh.points[i]);
        hi = Max(hi, mesh.points[i]);
    }
    if (lo.x > hi.x)
        lo = hi = Vec3();
    info.boxCentre = (lo + hi) * 0.5;
    info.boxHalf = (hi - lo) * 0.5 + Vec3(0.00001, 0.00001, 0.00001);
    return info;
}

// Appends one object's world-space triangles, face normals, corner normals and corner data.
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
        if (f.uv != kNoSlot) {
            tri.uv = static_cast<uint32_t>(scene.uvs.size() / 6);
            scene.uvs.insert(scene.uvs.end(), mesh.uvs.begin() + f.uv * 6, mesh.uvs.begin() + f.uv * 6 + 6);
        }
        if (f.vcol != kNoSlot) {
            tri.vcol = static_cast<uint32_t>(scene.vcols.size() / 3);
            for (int k = 0; k < 3; ++k) {
                const float* c = &mesh.vcols[f.vcol * 9 + k * 3];
                scene.vcols.emplace_back(c[0], c[1], c[2]);
            }
        }
        if (mesh.hasOrco) {
            tri.orco = static_cast<uint32_t>(scene.orcos.size() / 3);
            for (int k = 0; k < 3; ++k) {
                const size_t at = static_cast<size_t>(f.v[k]) + 1;
                scene.orcos.push_back(at < mesh.points.size() ? mesh.points[at] : Vec3());
            }
        }
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

// False for a light type that is not known.
bool ReadLight(const TDomElement* e, Light& l)
{
    static const std::pair<const char*, LightType> kTypes[] = {
        {"pointlight", LightType::Point},   {"sunlight", LightType::Sun},
        {"spotlight", LightType::Spot},     {"softlight", LightType::Soft},
        {"arealight", LightType::Area},     {"hemilight", LightType::Hemi},
        {"spherelight", LightType::Sphere}, {"pathlight", LightType::Path},
        {"photonlight", LightType::Photon}, {"globalphotonlight", LightType::GlobalPhoton},
    };
    const std::string type = Attr(e, "type");
    const LightType* known = FindNamed(type, kTypes);
    if (!known)
        return false;
    l.type = *known;
    l.name = Attr(e, "name");
    const Params p{e, nullptr};
    l.useInRender = p.Flag("use_in_render", true);
    // Path and photon lights take themselves out of the light seen at path vertices.
    l.useInIndirect = p.Flag("use_in_indirect", true) && l.type != LightType::Path && l.type != LightType::Photon;
    l.dummy = p.Flag("dummy", false);
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
    const double samples = l.type == LightType::Hemi || l.type == LightType::Sphere || l.type == LightType::Path ? 16 : 50;
    l.samples = static_cast<int>(std::clamp(p.Number("samples", samples), 1.0, 4096.0));
    l.psamples = static_cast<int>(std::clamp(p.Number("psamples", 0), 0.0, 1024.0));
    l.maxDistance = p.Number("maxdistance", -1);
    l.depth = static_cast<int>(std::clamp(p.Number("depth", 3), 0.0, 64.0));
    l.causDepth = static_cast<int>(std::clamp(p.Number("caus_depth", 4), 0.0, 64.0));
    l.direct = p.Flag("direct", false);
    l.cache = p.Flag("cache", false);
    l.occlusion = p.String("mode") == "occlusion";
    l.threshold = p.Number("threshold", 0.1);
    l.maxRefinement = static_cast<int>(std::clamp(p.Number("max_refinement", 2), 0.0, 64.0));
    if (l.type == LightType::Path && !p.Flag("use_QMC", false)) {
        // Without quasi-random numbers the samples fill a square grid.
        const int side = std::max(1, static_cast<int>(std::sqrt(static_cast<double>(l.samples))));
        l.samples = side * side;
    }
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
    ShadingTables tables;
    std::map<std::string, Light> lights;  // the renderer keeps them by name
    std::map<std::string, size_t> objectIndex;
    std::vector<ObjectRecord> objects;
    std::map<std::string, Camera> cameras;
    std::map<std::string, Background> backgrounds;
    const TDomElement* render = nullptr;

    // Depth-first walk without recursion; transforms multiply outer * inner.
    struct Frame {
        const TDomNode* next;
        Mat4 matrix;
    };
    std::vector<Frame> stack{{root->FirstChild(), Mat4()}};
    // The renderer draws the moment it reads `render`: what follows is not in the picture.
    while (!stack.empty() && !render) {
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
        } else if (tag == "texture") {
            Texture t;
            if (ReadTexture(e, false, tables, scene, t)) {
                tables.textures[t.name] = static_cast<int>(scene.textures.size());
                scene.textures.push_back(std::move(t));
            }
        } else if (tag == "shader") {
            Shader s;
            const std::string type = Attr(e, "type");
            if (IsNodeType(type)) {
                // A node: it feeds mappers and modulators; as an object's shader it draws black.
                Texture t;
                ReadTexture(e, true, tables, scene, t);
                tables.nodes[t.name] = static_cast<int>(scene.nodes.size());
                scene.nodes.push_back(std::move(t));
                s.name = Attr(e, "name");
                s.type = ShaderType::Other;
            } else {
                s = ReadShader(e, tables, scene);
            }
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
            o.info.emitRad = Attr(e, "emit_rad") != "off";
            o.info.recvRad = Attr(e, "recv_rad") != "off";
            const Params caustics{Child(e, "attributes"), e};
            bool any = false, found = false;
            o.info.causIor = caustics.Number("caus_IOR", 1);
            any = HasAttr(e, "caus_IOR");
            o.info.causR = caustics.Colour("caus_rcolor", Color(), &found);
            any = any || found;
            o.info.causT = caustics.Colour("caus_tcolor", Color(), &found);
            o.info.caustic = any || found;
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
                o.info = from.info;
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
                mesh->hasOrco = Params{meshElement, nullptr}.Flag("has_orco", false);
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
                lights[l.name] = l;
            else
                scene.warnings.push_back("Light type \"" + Attr(e, "type") + "\" is not known");
        } else if (tag == "camera") {
            cameras[Attr(e, "name")] = ReadCamera(e);
        } else if (tag == "background") {
            backgrounds[Attr(e, "name")] = ReadBackground(e, scene.warnings);
        } else if (tag == "render") {
            render = e;
        }
    }
    if (!render)
        throw std::runtime_error("Nothing to render");
    scene.settings = ReadSettings(render);
    const Params rp{render, nullptr};
    const std::string cameraName = HasAttr(render, "camera_name") ? Attr(render, "camera_name") : rp.String("camera_name");
    const auto camera = cameras.find(cameraName);
    if (camera != cameras.end()) {
        scene.camera = camera->second;
    } else {
        scene.hasCamera = false;
        scene.missingCamera = cameraName;
    }
    // Lights in the order of their names; a pathlight reads the global photon map only when
    // that light's name sorts before its own.
    int photonMap = -1;
    for (auto& [name, light] : lights) {
        if (light.type == LightType::GlobalPhoton && photonMap < 0)
            photonMap = static_cast<int>(scene.lights.size());
        if (light.type == LightType::Path)
            light.photonMap = photonMap;
        scene.lights.push_back(light);
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
        scene.objects.push_back(FrameOf(o));
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
