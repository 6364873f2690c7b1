#include "raytracer/RtSceneShading.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <vector>

#include "raytracer/RtParams.h"
#include "render/JpegCodec.h"
#include "render/PictureDecoders.h"
#include "render/PngCodec.h"
#include "render/Targa.h"
#include "scene/FileIO.h"

namespace kelvane::rt {

namespace {

BlendMode ModeNamed(const std::string& word)
{
    static const std::pair<const char*, BlendMode> kModes[] = {
        {"add", BlendMode::Add},       {"sub", BlendMode::Sub},         {"mul", BlendMode::Mul},
        {"screen", BlendMode::Screen}, {"difference", BlendMode::Difference}, {"divide", BlendMode::Divide},
        {"darken", BlendMode::Darken}, {"lighten", BlendMode::Lighten},
    };
    return Named(word, kModes, BlendMode::Mix);
}

bool HasWord(const std::string& words, const char* word)
{
    const size_t n = std::strlen(word);
    for (size_t at = words.find(word); at != std::string::npos; at = words.find(word, at + 1)) {
        const bool startOk = at == 0 || !std::isalnum(static_cast<unsigned char>(words[at - 1]));
        const bool endOk = at + n == words.size() || (!std::isalnum(static_cast<unsigned char>(words[at + n])) && words[at + n] != '_');
        if (startOk && endOk)
            return true;
    }
    return false;
}

int Axis(const std::string& word, int fallback)
{
    if (word.empty())
        return fallback;
    return word == "x" ? 0 : word == "y" ? 1 : word == "z" ? 2 : -1;
}

TextureMapping ReadMapping(const Params& p, bool mapper)
{
    TextureMapping m;
    m.mapper = mapper;
    m.clipping = mapper ? Clipping::Repeat : Clipping::Extend;
    const std::string texco = p.String("texco");
    m.texco = texco == "uv" ? TexCo::Uv : texco == "global" ? TexCo::Global : texco == "window" ? TexCo::Window
            : texco == "normal" ? TexCo::Normal : texco == "reflect" ? TexCo::Reflect : TexCo::Orco;
    const std::string mapping = p.String("mapping");
    m.mapping = mapping == "cube" ? ImageMapping::Cube : mapping == "tube" ? ImageMapping::Tube
              : mapping == "sphere" ? ImageMapping::Sphere : ImageMapping::Flat;
    const std::string clipping = p.String("clipping");
    if (clipping == "repeat")
        m.clipping = Clipping::Repeat;
    else if (clipping == "extend")
        m.clipping = Clipping::Extend;
    else if (clipping == "clip")
        m.clipping = Clipping::Clip;
    else if (clipping == "clipcube")
        m.clipping = Clipping::ClipCube;
    else if (clipping == "checker" && mapper)
        m.clipping = Clipping::Checker;
    const double size = p.Number("size", 1);
    m.size = size != 1 ? Vec3(size, size, size) : Vec3(p.Number("sizex", 1), p.Number("sizey", 1), p.Number("sizez", 1));
    m.offset = Vec3(p.Number("ofsx", 0), p.Number("ofsy", 0), p.Number("ofsz", 0));
    m.xrepeat = p.Number("xrepeat", 1);
    m.yrepeat = p.Number("yrepeat", 1);
    m.cropMin[0] = p.Number("cropmin_x", 0);
    m.cropMin[1] = p.Number("cropmin_y", 0);
    m.cropMax[0] = p.Number("cropmax_x", 1);
    m.cropMax[1] = p.Number("cropmax_y", 1);
    const char* proj[3] = {"proj_x", "proj_y", "proj_z"};
    for (int k = 0; k < 3; ++k)
        m.proj[k] = Axis(p.String(proj[k]), k);
    if (mapper) {
        m.rot90 = p.Flag("rot90", false);
        const std::string checker = p.String("checker_mode");
        if (!checker.empty()) {
            m.checkerOdd = HasWord(checker, "odd");
            m.checkerEven = HasWord(checker, "even");
        }
        m.checkerDist = p.Number("checker_dist", 0);
    }
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            const char name[4] = {'m', static_cast<char>('0' + r), static_cast<char>('0' + c), 0};
            bool found = false;
            double v = 0;
            if (ParseNumber(p.Text(name, found), v) && found) {
                m.hasMatrix = true;
                m.matrix.m[r][c] = v;
            }
        }
    return m;
}

int NodeNamed(const ShadingTables& tables, const std::string& name)
{
    const auto it = tables.nodes.find(name);
    return it == tables.nodes.end() ? -1 : it->second;
}

GenericModulator ReadGenericModulator(const TDomElement* e, const ShadingTables& tables, Scene& scene, bool& ok)
{
    const Params p{e, nullptr};
    GenericModulator m;
    const std::string name = p.String("texname");
    const auto it = tables.textures.find(name);
    ok = it != tables.textures.end();
    if (!ok) {
        scene.warnings.push_back("Undefined texture \"" + name + "\"");
        return m;
    }
    m.texture = it->second;
    m.mode = ModeNamed(p.String("mode"));
    m.color = p.Number("color", 0);
    m.specular = p.Number("specular", 0);
    m.hard = p.Number("hard", 0);
    m.transmission = p.Number("transmission", 0);
    m.reflection = p.Number("reflection", 0);
    m.normal = p.Number("normal", 0);
    m.mapping = ReadMapping(p, false);
    return m;
}

BlenderModulator ReadBlenderModulator(const TDomElement* e, const ShadingTables& tables, Scene& scene, bool& ok)
{
    const Params p{e, nullptr};
    BlenderModulator m;
    const std::string input = p.String("input");
    m.input = NodeNamed(tables, input);
    ok = m.input >= 0;
    if (!ok) {
        scene.warnings.push_back("Undefined block \"" + input + "\"");
        return m;
    }
    m.mode = ModeNamed(p.String("mode"));
    auto channel = [&](const char* name) { return static_cast<int>(std::clamp(p.Number(name, 0), -1e6, 1e6)); };
    m.color = channel("color");
    m.colspec = channel("colspec");
    m.colmir = channel("colmir");
    m.difref = channel("difref");
    m.specular = channel("specular");
    m.hard = channel("hard");
    m.alpha = channel("alpha");
    m.emit = channel("emit");
    m.raymir = channel("raymir");
    m.normal = p.Number("normal", 0);
    m.colfac = p.Number("colfac", 1);
    m.varfac = p.Number("varfac", 1);
    m.defVar = p.Number("def_var", 1);
    m.texcol = p.Colour("texcol", Color(1, 0, 1));
    m.filter = p.Colour("filtercolor", Color(1, 1, 1));
    m.contrast = p.Number("contrast", 1);
    m.brightness = p.Number("brightness", 1);
    const std::string flags = p.String("texflag");
    m.stencil = HasWord(flags, "stencil");
    m.negative = HasWord(flags, "negative");
    m.noRgb = HasWord(flags, "no_rgb");
    m.useAlpha = HasWord(p.String("alpha_flag"), "use_alpha");
    m.normalMap = p.Flag("normalmap", false);
    return m;
}

// Procedural parameters shared by the texture types.
void ReadProcedural(const Params& p, bool node, Texture& t)
{
    t.basis = NoiseBasisNamed(p.String("noise_type"));
    t.size = p.Number("size", 1);
    t.hard = p.Flag("hard", false);
    t.turbulence = p.Number("turbulence", 1);
    t.depth = static_cast<int>(std::clamp(p.Number("depth", t.type == TextureType::Clouds && node ? 0 : 2), 0.0, 24.0));
    const std::string shape = p.String("shape");
    t.shape = shape == "saw" ? 1 : shape == "tri" ? 2 : 0;
    t.sharpness = p.Number("sharpness", 1);
    t.color1 = p.Colour("color1", Color(0.0));
    t.color2 = p.Colour("color2", Color(1.0));
    const std::string bias = p.String("bias");
    t.bias = bias == "positive" ? 1 : bias == "negative" ? -1 : 0;
}

} // namespace

bool IsNodeType(const std::string& type)
{
    static const char* const kNodes[] = {"clouds", "marble", "wood", "image", "jpeg", "voronoi", "musgrave",
                                         "distorted_noise", "gradient", "random_noise", "colorband", "blendermapper",
                                         "float2color", "color2float", "coords", "mul", "sin", "phong", "RGB",
                                         "HSV", "conetrace", "fresnel", "gobo"};
    return std::any_of(std::begin(kNodes), std::end(kNodes), [&](const char* n) { return type == n; });
}

std::shared_ptr<const PictureData> LoadPicture(const std::string& file, std::string& problem)
{
    std::string bytes;
    try {
        bytes = ReadWholeFile(file);
    } catch (const std::exception&) {
        problem = "File " + file + " not found";
        return nullptr;
    }
    const std::string ext = LowerExtension(file);
    using Decoder = TPicture (*)(std::string_view);
    std::vector<Decoder> decoders;
    if (ext == "jpg" || ext == "jpeg")
        decoders = {DecodeJpeg};
    else if (ext == "tga" || ext == "tpic")
        decoders = {DecodeTarga};
    else if (ext == "png")
        decoders = {DecodePng};
    else
        decoders = {DecodeJpeg, DecodeTarga, DecodePng};
    for (Decoder decode : decoders) {
        try {
            const TPicture picture = decode(bytes);
            if (picture.Empty())
                continue;
            auto out = std::make_shared<PictureData>();
            out->width = picture.width;
            out->height = picture.height;
            out->rgba.resize(static_cast<size_t>(picture.width) * picture.height * 4);
            const size_t count = static_cast<size_t>(picture.width) * picture.height;
            for (size_t i = 0; i < count; ++i) {
                const uint8_t* px = picture.pixels.data() + i * picture.channels;
                for (int k = 0; k < 3; ++k)
                    out->rgba[i * 4 + k] = px[k] / 255.0f;
                out->rgba[i * 4 + 3] = picture.channels == 4 ? px[3] / 255.0f : 1.0f;
            }
            return out;
        } catch (const std::exception&) {
            // The next decoder may know it.
        }
    }
    problem = "Could not load image " + file;
    return nullptr;
}

bool ReadTexture(const TDomElement* e, bool node, ShadingTables& tables, Scene& scene, Texture& t)
{
    const std::string type = Attr(e, "type");
    const Params p{e, nullptr};
    t.name = Attr(e, "name");
    t.node = node;
    static const std::pair<const char*, TextureType> kTypes[] = {
        {"clouds", TextureType::Clouds},     {"marble", TextureType::Marble},
        {"wood", TextureType::Wood},         {"image", TextureType::Image},
        {"jpeg", TextureType::Image},        {"voronoi", TextureType::Voronoi},
        {"musgrave", TextureType::Musgrave}, {"distorted_noise", TextureType::DistortedNoise},
        {"gradient", TextureType::Gradient}, {"random_noise", TextureType::RandomNoise},
        {"colorband", TextureType::Colorband}, {"blendermapper", TextureType::Mapper},
    };
    t.type = Named(type, kTypes, TextureType::Unsupported);
    if (t.type == TextureType::Unsupported) {
        if (node)
            return true;  // a node kind that is not drawn: black
        scene.warnings.push_back("Texture " + type + " not found");
        return false;
    }
    if (t.type != TextureType::Colorband && t.type != TextureType::Mapper)
        ReadProcedural(p, node, t);
    if (node) {
        t.input1 = NodeNamed(tables, p.String("input1"));
        t.input2 = NodeNamed(tables, p.String("input2"));
        t.colorType = static_cast<int>(p.Number("color_type", 0));
    }
    switch (t.type) {
    case TextureType::Wood:
        t.rings = p.String("wood_type") == "rings";
        break;
    case TextureType::Image: {
        const std::string file = p.String("filename");
        const std::string interpolate = p.String("interpolate");
        t.interpolation = interpolate == "none" ? Interpolation::None : interpolate == "bicubic" ? Interpolation::Bicubic
                                                                                                : Interpolation::Bilinear;
        const auto known = tables.pictures.find(file);
        if (known != tables.pictures.end()) {
            t.picture = known->second;
        } else {
            std::string problem;
            t.picture = LoadPicture(file, problem);
            if (!t.picture)
                scene.messages.push_back(problem);
            tables.pictures.emplace(file, t.picture);
        }
        break;
    }
    case TextureType::Voronoi: {
        const std::string colour = p.String("color_type");
        t.voronoiColor = colour == "col1" ? 1 : colour == "col2" ? 2 : colour == "col3" ? 3 : 0;
        const char* weights[4] = {"weight1", "weight2", "weight3", "weight4"};
        for (int i = 0; i < 4; ++i)
            t.weights[i] = p.Number(weights[i], i == 0 ? 1 : 0);
        t.mkExponent = p.Number("mk_exponent", 2.5);
        t.intensity = p.Number("intensity", 1);
        t.metric = DistanceMetricNamed(p.String("distance_metric"));
        break;
    }
    case TextureType::Musgrave: {
        std::string kind = p.String(node ? "musgrave_type" : "type");
        std::transform(kind.begin(), kind.end(), kind.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        static const std::pair<const char*, int> kKinds[] = {
            {"multifractal", 1}, {"heteroterrain", 2}, {"hybridmf", 3}, {"ridgedmf", 4}};
        t.musgrave = Named(kind, kKinds, 0);
        t.h = p.Number("H", 1);
        t.lacunarity = p.Number("lacunarity", 2);
        t.octaves = p.Number("octaves", 2);
        t.offset = p.Number("offset", 1);
        t.gain = p.Number("gain", 1);
        t.intensity = p.Number("intensity", 1);
        break;
    }
    case TextureType::DistortedNoise:
        t.distort = p.Number("distort", 1);
        t.basis = NoiseBasisNamed(p.String("noise_type1"));
        t.basis2 = NoiseBasisNamed(p.String("noise_type2"));
        break;
    case TextureType::Gradient: {
        static const std::pair<const char*, int> kKinds[] = {
            {"quadratic", 1}, {"quad", 1}, {"cubic", 2}, {"ease", 2}, {"diagonal", 3}, {"diag", 3},
            {"sphere", 4},    {"halo", 5}, {"radial", 6},
        };
        t.gradient = Named(p.String("gradient_type"), kKinds, 0);
        t.flipXY = p.Flag("flip_xy", false);
        break;
    }
    case TextureType::Colorband:
        t.input = NodeNamed(tables, p.String("input"));
        for (const TDomNode* c = e->FirstChild(); c; c = c->NextSibling()) {
            const TDomElement* stop = c->AsElement();
            if (!stop || stop->TagName() != W("modulator"))
                continue;
            BandStop s;
            ParseNumber(Attr(stop, "value"), s.at);
            if (const TDomElement* colour = Child(stop, "color")) {
                ParseNumber(Attr(colour, "r"), s.color.r);
                ParseNumber(Attr(colour, "g"), s.color.g);
                ParseNumber(Attr(colour, "b"), s.color.b);
                if (HasAttr(colour, "a"))
                    ParseNumber(Attr(colour, "a"), s.alpha);
            }
            t.stops.push_back(s);
        }
        break;
    case TextureType::Mapper: {
        const std::string input = p.String("input");
        t.input = NodeNamed(tables, input);
        if (t.input < 0) {
            scene.warnings.push_back("Null input in blender mapper");
            t.type = TextureType::Unsupported;
        }
        t.mapping = ReadMapping(p, true);
        break;
    }
    default:
        break;
    }
    if (HasAttr(e, "ringscale_x") || HasAttr(e, "ringscale_y") || Child(e, "ringscale_x") || Child(e, "ringscale_y"))
        scene.warnings.push_back("Texture \"" + t.name + "\": ringscale_x and ringscale_y are obsolete");
    return true;
}

Shader ReadShader(const TDomElement* e, const ShadingTables& tables, Scene& scene)
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
    const std::string modes = p.String("matmodes");
    s.shadeless = HasWord(modes, "shadeless");
    s.vcolPaint = HasWord(modes, "vcol_paint");
    if (s.type != ShaderType::Generic && s.type != ShaderType::Blender)
        return s;
    for (const TDomNode* c = e->FirstChild(); c; c = c->NextSibling()) {
        const TDomElement* m = c->AsElement();
        if (!m || m->TagName() != W("modulator"))
            continue;
        bool ok = false;
        if (s.type == ShaderType::Generic) {
            GenericModulator g = ReadGenericModulator(m, tables, scene, ok);
            if (ok)
                s.genericModulators.push_back(std::move(g));
        } else {
            BlenderModulator b = ReadBlenderModulator(m, tables, scene, ok);
            if (ok)
                s.blenderModulators.push_back(b);
        }
    }
    return s;
}

} // namespace kelvane::rt
