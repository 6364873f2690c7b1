#pragma once
// Textures: the procedural types and pictures, the shader nodes that feed `blendermapper` and
// `blendershader` modulators, texture coordinates and their mappings.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "raytracer/RtMath.h"
#include "raytracer/RtNoise.h"

namespace kelvane::rt {

enum class TexCo { Orco, Uv, Global, Window, Normal, Reflect };
enum class ImageMapping { Flat, Cube, Tube, Sphere };
enum class Clipping { Repeat, Extend, Clip, ClipCube, Checker };

// How a hit becomes a texture point: coordinate source, matrix, projection, then size and offset
// (procedural textures) or the picture mapping with repeats, crop and clipping (pictures).
struct TextureMapping {
    TexCo texco = TexCo::Orco;
    bool hasMatrix = false;
    Mat4 matrix;
    int proj[3] = {0, 1, 2};  // the input axis of each output axis; -1 gives 0
    Vec3 size{1, 1, 1}, offset;
    ImageMapping mapping = ImageMapping::Flat;
    Clipping clipping = Clipping::Repeat;
    double xrepeat = 1, yrepeat = 1;
    double cropMin[2] = {0, 0}, cropMax[2] = {1, 1};
    bool rot90 = false;
    bool checkerOdd = true, checkerEven = false;
    double checkerDist = 0;
    bool mapper = true;  // a blendermapper: repeats only in repeat mode, extend up to 0.99999
};

// An 8-bit picture as linear 0 ... 1 values, RGBA, top row first.
struct PictureData {
    int width = 0, height = 0;
    std::vector<float> rgba;
};

enum class Interpolation { None, Bilinear, Bicubic };

// RGBA of a picture at (x, y), both wrapping at 1; y = 0 is the top row.
void LookupPicture(const PictureData& picture, double x, double y, Interpolation mode, double rgba[4]);

enum class TextureType {
    Clouds, Marble, Wood, Image, Voronoi, Musgrave, DistortedNoise, Gradient, RandomNoise,
    Colorband, Mapper, Unsupported,
};

struct BandStop {
    double at = 0;
    Color color;
    double alpha = 1;
};

// A texture object (`texture` element, for generic modulators) or a shader node.
struct Texture {
    std::string name;
    TextureType type = TextureType::Unsupported;
    bool node = false;
    NoiseBasis basis = NoiseBasis::Improved, basis2 = NoiseBasis::Improved;
    int depth = 2;
    double size = 1;
    bool hard = false;
    int bias = 0;  // clouds: 1 positive, -1 negative
    Color color1{0.0}, color2{1.0};
    double turbulence = 1, sharpness = 1;
    int shape = 0;  // 0 sin, 1 saw, 2 tri
    bool rings = false;
    int gradient = 0;  // linear, quadratic, cubic, diagonal, sphere, halo, radial
    bool flipXY = false;
    int musgrave = 0;  // fBm, multifractal, heteroterrain, hybridmf, ridgedmf
    double h = 1, lacunarity = 2, octaves = 2, offset = 1, gain = 1, intensity = 1;
    double distort = 1;
    int voronoiColor = 0;  // intensity, col1, col2, col3
    double weights[4] = {1, 0, 0, 0};
    double mkExponent = 2.5;
    DistanceMetric metric = DistanceMetric::Real;
    std::shared_ptr<const PictureData> picture;  // null: the picture could not be read
    Interpolation interpolation = Interpolation::Bilinear;
    int input = -1, input1 = -1, input2 = -1;  // nodes
    int colorType = 0;
    std::vector<BandStop> stops;
    TextureMapping mapping;  // blendermapper
};

// What texture coordinates are taken from at one hit.
struct TexSpot {
    Vec3 global;      // world hit point
    Vec3 orco;        // original coordinates, or the hit in the object's box (-1 ... 1)
    Vec3 uv;          // (2u - 1, 1 - 2v, 0)
    Vec3 window;      // film position, -1 ... 1, y up
    Vec3 normal;      // shading normal after bumping, stored orientation
    Vec3 reflect;     // the eye ray mirrored about the viewer-facing shading normal
    Vec3 cubeNormal;  // unbumped normal for cube mapping, world space
    Vec3 cubeNormalObject;
};

// A texture's answer: the float, the colour with its alpha, and whether the colour is a real
// RGB one (pictures, colour bands, two-input nodes) or the float repeated.
struct TexValue {
    double v = 0;
    Color color;
    double alpha = 1;
    bool rgb = false;
};

// The point a mapping makes of a hit; false for a "no texture" lookup (clipped away).
bool MapSpot(const TextureMapping& map, const TexSpot& spot, bool picture, Vec3& out);

// Evaluates texture `index` of `table` at point p (already mapped); nodes that map or feed other
// nodes use spot. Texture objects give color1 + v (color2 - color1), pictures their pixel.
TexValue EvalTexture(const std::vector<Texture>& table, int index, const Vec3& p, const TexSpot& spot, int depth = 0);

// A texture reached through a mapping (a generic modulator's): false when clipped away.
bool EvalMapped(const std::vector<Texture>& table, int index, const TextureMapping& map, const TexSpot& spot,
                TexValue& out, Vec3* mapped = nullptr);

} // namespace kelvane::rt
