#pragma once
// The scene as the ray tracer sees it: world-space triangles, lights, shaders, camera,
// background and render settings, gathered from a scene file read by the editor's own reader.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "raytracer/RtMath.h"

namespace kelvane {
class TDomDocument;
class TMeshStash;
} // namespace kelvane

namespace kelvane::rt {

enum class ShaderType { Generic, Constant, Blender, Other };

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
    bool reflect = false, refract = false, shadeless = false;
};

enum class LightType { Point, Sun, Spot, Soft, Area, Hemi };

struct Light {
    LightType type = LightType::Point;
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

// One triangle: vertex indices into Scene::points, its object and shader, and where its three
// corner normals start in Scene::cornerNormals (-1: flat).
struct Triangle {
    uint32_t v[3];
    uint32_t object;
    uint32_t shader;
    int64_t corners = -1;
};

struct Scene {
    std::vector<Vec3> points;        // world space
    std::vector<Triangle> triangles;
    std::vector<Vec3> faceNormals;   // per triangle, unit, stored orientation
    std::vector<Vec3> cornerNormals; // three per smoothed triangle
    std::vector<uint8_t> objectCastsShadow;
    std::vector<std::string> objectNames;
    std::vector<Shader> shaders;
    std::vector<Light> lights;
    Camera camera;
    Background background;
    Settings settings;
    std::vector<std::string> warnings;
};

// Builds the scene from a document read by ReadSceneFile and its mesh stash. Raises
// std::runtime_error with a message naming the fault when the scene cannot be drawn (a broken
// mesh, no render element).
void BuildScene(const TDomDocument& document, const TMeshStash& stash, Scene& scene);

// Reads a scene file the editor's way and builds it; errors as above, and the reader's own.
void LoadScene(const std::filesystem::path& file, Scene& scene);

} // namespace kelvane::rt
