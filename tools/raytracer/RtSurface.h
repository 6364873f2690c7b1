#pragma once
// A shaded point as the tracer's parts pass it around (for the ray tracer's own units only).
#include "raytracer/RtRender.h"

namespace kelvane::rt {

// A shader's values at one hit, after its modulators.
struct Material {
    Color color, specular, specularColor, mirrorColor;
    double hard = 1, diffuseReflect = 1, specularAmount = 0, alpha = 1, emit = 0, reflectAmount = 0;
};

struct Renderer::Surface {
    Vec3 p;
    Vec3 n;       // shading normal facing the viewer
    Vec3 ng;      // geometric normal turned the same way
    Vec3 stored;  // geometric normal as stored
    Vec3 v;       // towards the ray origin
    Vec3 normal;  // shading normal as stored, after bumping
    const Shader* shader = nullptr;
    uint32_t object = 0, triangle = 0;
    double bu = 0, bv = 0;       // barycentric weights of corners 1 and 2
    double segment = 0;          // length of the ray segment that reached the point
    double travelled = 0;        // path length from the camera
    bool front = true;
    bool textured = false;       // spot is filled
    Material m;
    TexSpot spot;
};

// Rays traced by this thread since the last count was taken.
inline thread_local uint64_t tRays = 0;

constexpr double kPi = 3.14159265358979323846;
constexpr double kOffset = 0.00005;  // start of secondary rays and of shadow rays off the own object

double SmoothStep(double a, double b, double v);
// Reflected and transmitted shares of the renderer's Fresnel term for cosine c = V.N.
void Fresnel(double c, double ior, bool fast, double& kr, double& kt);
// Two unit vectors completing n to a right-handed frame, as bump mapping takes them.
void Tangents(const Vec3& n, Vec3& nu, Vec3& nv);

} // namespace kelvane::rt
