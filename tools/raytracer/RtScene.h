#pragma once
// The scene as the ray tracer sees it: world-space triangles, lights, shaders, camera,
// background and render settings, gathered from a scene file read by the editor's own reader.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "raytracer/RtMath.h"
#include "raytracer/RtTexture.h"

namespace kelvane {
class TDomDocument;
class TMeshStash;
} // namespace kelvane

namespace kelvane::rt {

enum class ShaderType { Generic, Constant, Blender, Other };

enum class BlendMode { Mix, Add, Sub, Mul, Screen, Difference, Divide, Darken, Lighten };

// A `generic` shader's modulator: a texture object through its own mapping onto channels.
struct GenericModulator {
    int texture = -1;
    BlendMode mode = BlendMode::Mix;
    double color = 0, specular = 0, hard = 0, transmission = 0, reflection = 0, normal = 0;
    TextureMapping mapping;
};

// A `blendershader` modulator: a node (normally a blendermapper) onto channels.
struct BlenderModulator {
    int input = -1;
    BlendMode mode = BlendMode::Mix;
    // Channel switches; a negative value channel flips the factor.
    int color = 0, colspec = 0, colmir = 0, difref = 0, specular = 0, hard = 0, alpha = 0, emit = 0, raymir = 0;
    double normal = 0;
    double colfac = 1, varfac = 1, defVar = 1;
    Color texcol{1, 0, 1}, filter{1, 1, 1};
    double contrast = 1, brightness = 1;
    bool stencil = false, negative = false, noRgb = false, useAlpha = false, normalMap = false;
};

struct Shader {
    std::string name;
    ShaderType type = ShaderType::Generic;
    Color color;
    // generic
    Color specular, reflected, transmitted, absorption;
    double hard = 1, ior = 1, minRefle = 0;
    bool fastFresnel = false, tir = false;
    // blendershader
    double diffuseReflect = 1, specularAmount = 0, emit = 0, alpha = 1;
    double fresnelOffset = 0, reflectAmount = 0;
    Color specularColor, mirrorColor;
    bool reflect = false, refract = false, shadeless = false, vcolPaint = false;
    std::vector<GenericModulator> genericModulators;
    std::vector<BlenderModulator> blenderModulators;
};

enum class LightType { Point, Sun, Spot, Soft, Area, Hemi, Sphere, Path, Photon, GlobalPhoton };

struct Light {
    LightType type = LightType::Point;
    std::string name;
    bool useInRender = true, useInIndirect = true;
    bool dummy = false;  // sphere and area lights: a photon emitter only
    Vec3 from, to;
    Color color{1.0};
    double power = 1;
    bool castShadows = true;
    // spotlight
    double size = 45, blend = 0.15, beamFalloff = 2;
    // softlight
    double res = 100, radius = 1, bias = 0.1;
    // arealight corners
    Vec3 a, b, c, d;
    int samples = 50;
    int psamples = 0;  // arealight: shadow probes that may spare the full test
    // hemilight: no colour means the background in each direction
    bool hasColor = true;
    double maxDistance = -1;
    // pathlight
    int depth = 3, causDepth = 4;
    bool direct = false, cache = false, occlusion = false;
    double threshold = 0.1;
    int maxRefinement = 2;
    // pathlight: the index of the global photon map light it reads, or -1
    int photonMap = -1;
};

struct Camera {
    int resx = 100, resy = 100;
    double focal = 1, aspectRatio = 1;
    bool ortho = false;
    Vec3 from{0, 0, 0}, to{0, 0, -1}, up{0, 1, 0};
};

enum class BackgroundType { None, Constant, Sunsky };

struct Background {
    BackgroundType type = BackgroundType::None;
    Color color{1.0};
    Vec3 sunDir{1, 1, 1};
    double turbidity = 4;
    double perez[5] = {1, 1, 1, 1, 1};  // a_var .. e_var
};

struct Settings {
    int rayDepth = 3;
    double bias = 0.1, gamma = 1, exposure = 0;
    int aaPasses = 0, aaMinSamples = 1;
    double aaPixelWidth = 1.5, aaThreshold = 0.05;
    bool clampRgb = false, saveAlpha = false;
    bool alphaPremultiply = false, alphaMaskBackground = false;
    double fogDensity = 0;
    Color fogColor{1.0};
    std::string outfile = "salida.tga";
};

constexpr uint32_t kNoSlot = 0xFFFFFFFFu;

// One triangle: vertex indices into Scene::points, its object and shader, and where its three
// corner normals start in Scene::cornerNormals (-1: flat). Per-corner data lives in slots of
// three: uv in Scene::uvs, original coordinates in Scene::orcos, vertex colours in Scene::vcols.
struct Triangle {
    uint32_t v[3];
    uint32_t object;
    uint32_t shader;
    uint32_t uv = kNoSlot, orco = kNoSlot, vcol = kNoSlot;
    int64_t corners = -1;
};

struct ObjectInfo {
    Mat4 toObject;  // world to the untransformed mesh
    Vec3 boxCentre, boxHalf;  // of the untransformed mesh, half sizes padded
    bool emitRad = true, recvRad = true;
    bool caustic = false;  // given caus_IOR, caus_rcolor or caus_tcolor
    double causIor = 1;
    Color causR, causT;
};

struct Scene {
    std::vector<Vec3> points;        // world space
    std::vector<Triangle> triangles;
    std::vector<Vec3> faceNormals;   // per triangle, unit, stored orientation
    std::vector<Vec3> cornerNormals; // three per smoothed triangle
    std::vector<float> uvs;          // u, v per corner
    std::vector<Vec3> orcos;         // per corner
    std::vector<Color> vcols;        // per corner
    std::vector<uint8_t> objectCastsShadow;
    std::vector<std::string> objectNames;
    std::vector<ObjectInfo> objects;
    std::vector<Shader> shaders;
    std::vector<Texture> textures;   // texture objects
    std::vector<Texture> nodes;      // shader nodes
    std::vector<Light> lights;       // by name
    Camera camera;
    Background background;
    Settings settings;
    std::vector<std::string> warnings;   // for standard error
    std::vector<std::string> messages;   // render-time notes for standard output
    std::string missingCamera;           // the render camera's name when no camera has it
    bool hasCamera = true;
};

// Builds the scene from a document read by ReadSceneFile and its mesh stash. Raises
// std::runtime_error with a message naming the fault when the scene cannot be drawn (a broken
// mesh, no render element).
void BuildScene(const TDomDocument& document, const TMeshStash& stash, Scene& scene);

// Reads a scene file the editor's way and builds it; errors as above, and the reader's own.
void LoadScene(const std::filesystem::path& file, Scene& scene);

} // namespace kelvane::rt
