#pragma once
// The tracer: camera rays, lights with shadows, the shaders, the background, anti-aliasing in
// 64 x 64 blocks on several threads, tone mapping and the Targa output.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "raytracer/RtBvh.h"
#include "raytracer/RtScene.h"

namespace kelvane::rt {

// A small fast generator; every sample seeds its own, so pictures do not depend on threads.
// It also carries the sample's budget of secondary rays, which bounds branching ray trees.
struct Rng {
    uint64_t state;
    int rayBudget = 4096;
    explicit Rng(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    double Next()
    {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return static_cast<double>((state * 0x2545F4914F6CDD1Dull) >> 11) * (1.0 / 9007199254740992.0);
    }
};

// Tone-mapped samples averaged per pixel, top row first.
struct Image {
    int width = 0, height = 0;
    std::vector<Color> color;
    std::vector<double> alpha;
    const Color& At(int x, int y) const { return color[static_cast<size_t>(y) * width + x]; }
};

// Pixels [x0, x1) x [y0, y1), row 0 at the top.
struct PixelRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool Empty() const { return x1 <= x0 || y1 <= y0; }
};

// The pixels of a resx x resy picture whose centres lie in the region XMIN:XMAX:YMIN:YMAX, x
// running from -1 at the left edge to 1 at the right, y from -1 at the bottom to 1 at the top.
PixelRect RegionPixels(int resx, int resy, double xmin, double xmax, double ymin, double ymax);

// Exposure, gamma and clamping of one linear value, as the output stage applies them.
double ToneMap(double c, const Settings& settings);
// 0 below 0, 255 from 1 on, else floor(255 c).
uint8_t ToByte(double c);
// The picture as an uncompressed top-left Targa file (32-bit with alpha).
std::string TargaBytes(const Image& image, bool withAlpha);

class Renderer {
public:
    explicit Renderer(const Scene& scene);

    // Linear colour seen along a ray of the given level; hit tells whether it met an object.
    Color Trace(const Ray& ray, int level, double weight, Rng& rng, bool* hit = nullptr) const;
    // The primary ray through film position (px, py) in pixels.
    Ray CameraRay(double px, double py) const;
    // Renders the picture on `threads` threads; progress(finished, total) is called, one call at
    // a time, after each finished block. With a region only its pixels are drawn, each as the
    // whole picture has it; the rest stays black and transparent.
    void Render(Image& image, int threads, const std::function<void(int, int)>& progress,
                const PixelRect* region = nullptr) const;
    // Number of 64 x 64 blocks of the picture.
    int BlockCount() const;
    uint64_t RayCount() const { return rays_.load(); }
    const Bvh& Hierarchy() const { return bvh_; }

private:
    struct Surface;
    Color Shade(const Ray& ray, const Hit& hit, int level, double weight, Rng& rng) const;
    Color LightResponse(const Surface& s, const Vec3& l, const Color& e) const;
    Color Lights(const Surface& s, Rng& rng) const;
    Color BackgroundColor(const Vec3& dir) const;
    bool Shadowed(const Surface& s, const Vec3& dir, double dist, double otherMin = 0.00005) const;
    void RenderBlock(int block, const PixelRect& region, Image& image) const;
    Color Sample(double px, double py, uint64_t seed, double& alpha) const;

    const Scene& scene_;
    Bvh bvh_;
    Vec3 right_, down_, forward_;
    // Sky model coefficients: Perez A..E and zenith value for Y, x and y.
    double perez_[3][5] = {};
    double zenith_[3] = {};
    Vec3 sun_;
    double sunTheta_ = 0;
    double sunFade_ = 1;
    mutable std::atomic<uint64_t> rays_{0};
};

} // namespace kelvane::rt
