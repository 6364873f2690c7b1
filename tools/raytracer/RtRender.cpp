#include "raytracer/RtRender.h"

#include "raytracer/RtSurface.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <random>
#include <thread>

namespace kelvane::rt {

namespace {

constexpr int kBlock = 64;

// Base-2 Larcher-Pillichshammer radical inverse.
double LarcherPillichshammer(uint32_t i)
{
    uint32_t r = 0;
    for (uint32_t v = 1u << 31; i; i >>= 1, v |= v >> 1)
        if (i & 1)
            r ^= v;
    return r / 4294967296.0;
}

Color ToneMapColor(const Color& c, const Settings& s)
{
    return {ToneMap(c.r, s), ToneMap(c.g, s), ToneMap(c.b, s)};
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Output stage

double ToneMap(double c, const Settings& s)
{
    if (s.exposure != 0)
        c = 1 - std::exp(-s.exposure * std::max(c, 0.0));
    if (s.gamma != 1)
        c = s.gamma == 0 ? 1 : std::pow(std::max(c, 0.0), 1 / s.gamma);
    if (s.exposure == 0 && s.gamma == 1 && s.clampRgb)
        c = std::clamp(c, 0.0, 1.0);
    return c;
}

uint8_t ToByte(double c)
{
    if (!(c >= 0))
        return 0;
    if (c >= 1)
        return 255;
    return static_cast<uint8_t>(std::floor(255 * c));
}

std::string TargaBytes(const Image& image, bool withAlpha)
{
    const int bpp = withAlpha ? 4 : 3;
    std::string out(18 + static_cast<size_t>(image.width) * image.height * bpp, '\0');
    out[2] = 2;  // uncompressed true colour
    out[12] = static_cast<char>(image.width & 0xFF);
    out[13] = static_cast<char>(image.width >> 8);
    out[14] = static_cast<char>(image.height & 0xFF);
    out[15] = static_cast<char>(image.height >> 8);
    out[16] = static_cast<char>(bpp * 8);
    out[17] = static_cast<char>(0x20 | (withAlpha ? 8 : 0));  // origin at the top left
    size_t at = 18;
    for (size_t i = 0; i < image.color.size(); ++i) {
        const Color& c = image.color[i];
        out[at++] = static_cast<char>(ToByte(c.b));
        out[at++] = static_cast<char>(ToByte(c.g));
        out[at++] = static_cast<char>(ToByte(c.r));
        if (withAlpha)
            out[at++] = static_cast<char>(ToByte(image.alpha[i]));
    }
    return out;
}

PixelRect RegionPixels(int resx, int resy, double xmin, double xmax, double ymin, double ymax)
{
    // Column j's centre lies at 2 (j + 0.5) / resx - 1, row i's (from the top) at 1 - 2 (i + 0.5) / resy.
    auto first = [](double lo, int size) { return std::clamp(std::ceil((lo + 1) / 2 * size - 0.5), 0.0, double(size)); };
    auto end = [](double hi, int size) { return std::clamp(std::floor((hi + 1) / 2 * size - 0.5) + 1, 0.0, double(size)); };
    PixelRect r;
    r.x0 = static_cast<int>(first(xmin, resx));
    r.x1 = static_cast<int>(end(xmax, resx));
    r.y0 = static_cast<int>(first(-ymax, resy));
    r.y1 = static_cast<int>(end(-ymin, resy));
    return r;
}

// ---------------------------------------------------------------------------------------------
// Set-up

Renderer::Renderer(const Scene& scene) : scene_(scene), bvh_(scene)
{
    const Camera& c = scene.camera;
    forward_ = Norm(c.to - c.from);
    const Vec3 u = c.up - c.from;
    right_ = Norm(Cross(forward_, u));
    down_ = -Norm(u - forward_ * Dot(u, forward_));

    if (scene.background.type == BackgroundType::Sunsky)
        SetUpSky();
    for (const Light& light : scene.lights)
        if (light.useInIndirect && !light.dummy && light.type != LightType::Path && light.type != LightType::Photon &&
            light.type != LightType::GlobalPhoton)
            indirect_.push_back(&light);
}

int Renderer::BlockCount() const
{
    return ((scene_.camera.resx + kBlock - 1) / kBlock) * ((scene_.camera.resy + kBlock - 1) / kBlock);
}

Ray Renderer::CameraRay(double px, double py) const
{
    const Camera& c = scene_.camera;
    const double fx = px / c.resx - 0.5;
    const double fy = (py / c.resy - 0.5) * c.aspectRatio * c.resy / c.resx;
    if (c.ortho) {
        const double width = Length(c.to - c.from) / (c.focal != 0 ? c.focal : 1);
        return {c.from + right_ * (fx * width) + down_ * (fy * width), forward_};
    }
    return {c.from, Norm(forward_ * c.focal + right_ * fx + down_ * fy)};
}

// ---------------------------------------------------------------------------------------------
// Shading

Color Renderer::Shade(const Ray& ray, const Hit& hit, int level, double weight, Rng& rng) const
{
    Surface s;
    MakeSurface(ray, hit, rng, s);
    const Shader& sh = *s.shader;
    const Material& m = s.m;
    const bool front = s.front;
    if (sh.type == ShaderType::Blender && sh.shadeless)
        return m.color;
    // Constant shaders take no light, but a pathlight still adds to them.
    Color out = sh.type == ShaderType::Constant ? m.color : Color();
    out += Lights(s, rng, false, level);
    if (sh.type == ShaderType::Constant)
        return out;

    auto reflect = [&](double nr, const Color& scale) {
        if (!(nr * weight > 0.01) || scale.IsBlack() || --rng.rayBudget < 0)
            return;
        if (level > 0 && !front)
            return;  // secondary rays reflect on front faces only
        const Vec3 base = Dot(s.n, s.v) < 0 ? s.ng : s.n;
        Vec3 r = base * (2 * Dot(base, s.v)) - s.v;
        const double along = Dot(r, s.ng);
        if (along < 0.05)
            r = Norm(r + s.ng * (0.05 - along));
        out += TraceModulated(s, true, scale * nr * Trace(Ray{s.p + r * kOffset, r, s.travelled}, level + 1, weight * nr, rng));
    };
    auto transmit = [&](double nt, double ior, const Color& scale) {
        if (!(nt * weight > 0.01) || scale.IsBlack() || --rng.rayBudget < 0)
            return;
        const Vec3& d = ray.dir;
        double cosI = Dot(d, s.stored);
        double eta;
        Vec3 nn;
        if (cosI < 0) {
            eta = 1 / ior;
            nn = s.stored;
            cosI = -cosI;
        } else {
            eta = ior;
            nn = -s.stored;
        }
        const double k = 1 - eta * eta * (1 - cosI * cosI);
        Vec3 t;
        if (k < 0) {
            if (!sh.tir)
                return;
            t = d - nn * (2 * Dot(d, nn));
        } else {
            t = Norm(d * eta + nn * (eta * cosI - std::sqrt(k)));
        }
        out += TraceModulated(s, false, scale * nt * Trace(Ray{s.p + t * kOffset, t, s.travelled}, level + 1, weight * nt, rng));
    };

    if (sh.type == ShaderType::Generic && (!sh.reflected.IsBlack() || !sh.transmitted.IsBlack())) {
        double kr, kt;
        Fresnel(Dot(s.v, s.n), sh.ior, sh.fastFresnel, kr, kt);
        reflect(std::min(1.0, sh.minRefle + kr), sh.reflected);
        transmit(std::min(1.0, kt), sh.ior, sh.transmitted);
    } else if (sh.type == ShaderType::Blender) {
        out += m.color * m.emit;
        double kr = 0, kt = 1;
        if (sh.reflect || sh.refract)
            Fresnel(Dot(s.v, s.n), sh.ior, false, kr, kt);
        if (sh.reflect)
            reflect(std::min(1.0, sh.fresnelOffset + kr), m.mirrorColor * (m.reflectAmount * (sh.refract ? 1.0 : m.alpha)));
        if (sh.refract && m.alpha < 1)
            transmit(std::min(1.0, kt), sh.ior, m.color * (1 - m.alpha));
    }
    if (sh.type == ShaderType::Generic && level > 0 && !sh.absorption.IsBlack())
        out *= Color(std::exp(-sh.absorption.r * hit.t), std::exp(-sh.absorption.g * hit.t),
                     std::exp(-sh.absorption.b * hit.t));
    return out;
}

Color Renderer::Trace(const Ray& ray, int level, double weight, Rng& rng, bool* hitObject) const
{
    ++tRays;
    Hit hit;
    const bool found = bvh_.Intersect(ray, 0, 1e30, hit);
    if (hitObject)
        *hitObject = found;
    if (level >= scene_.settings.rayDepth)
        return Color();
    const Settings& set = scene_.settings;
    if (!found) {
        if (level == 0 && set.alphaMaskBackground)
            return Color();
        return set.fogDensity != 0 ? set.fogColor : BackgroundColor(ray.dir);
    }
    Color c = Shade(ray, hit, level, weight, rng);
    if (set.fogDensity != 0) {
        const double f = std::exp(-hit.t * set.fogDensity);
        c = c * f + set.fogColor * (1 - f);
    }
    return c;
}

// ---------------------------------------------------------------------------------------------
// Pictures

Color Renderer::Sample(double px, double py, uint64_t seed, bool resample, double& alpha) const
{
    Rng rng(seed);
    rng.px = px;
    rng.py = py;
    rng.resample = resample;
    bool hit = false;
    const Color c = Trace(CameraRay(px, py), 0, 1, rng, &hit);
    alpha = hit ? 1 : 0;
    return ToneMapColor(c, scene_.settings);
}

void Renderer::RenderBlock(int block, const PixelRect& region, Image& image) const
{
    const Camera& cam = scene_.camera;
    const Settings& set = scene_.settings;
    const int across = (cam.resx + kBlock - 1) / kBlock;
    const int x0 = (block % across) * kBlock, y0 = (block / across) * kBlock;
    const int x1 = std::min(cam.resx, x0 + kBlock), y1 = std::min(cam.resy, y0 + kBlock);
    // The pixels of the block to draw.
    const int dx0 = std::max(x0, region.x0), dy0 = std::max(y0, region.y0);
    const int dx1 = std::min(x1, region.x1), dy1 = std::min(y1, region.y1);
    if (dx0 >= dx1 || dy0 >= dy1)
        return;
    // The edge test looks at the block with a one-pixel ring of its neighbours. After p passes a
    // pixel depends on the pixels up to p away within that ring, so only those are sampled: a
    // drawn pixel comes out as in the whole picture.
    const int reach = set.aaPasses;
    const int ex0 = std::max({0, x0 - 1, dx0 - reach}), ey0 = std::max({0, y0 - 1, dy0 - reach});
    const int ex1 = std::min({cam.resx, x1 + 1, dx1 + reach}), ey1 = std::min({cam.resy, y1 + 1, dy1 + reach});
    const int w = ex1 - ex0, h = ey1 - ey0;
    std::vector<Color> col(static_cast<size_t>(w) * h);
    std::vector<double> alpha(col.size());
    auto seed = [&](int x, int y, int k) {
        return (static_cast<uint64_t>(y) * cam.resx + x) * 1031 + static_cast<uint64_t>(k);
    };
    for (int y = ey0; y < ey1; ++y)
        for (int x = ex0; x < ex1; ++x) {
            const size_t i = static_cast<size_t>(y - ey0) * w + (x - ex0);
            col[i] = Sample(x + 0.5, y + 0.5, seed(x, y, 0), false, alpha[i]);
        }
    const int n = set.aaMinSamples;
    std::vector<uint8_t> again(col.size());
    for (int pass = 0; pass < set.aaPasses; ++pass) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                bool edge = false;
                for (int dy = -1; dy <= 1 && !edge; ++dy)
                    for (int dx = -1; dx <= 1 && !edge; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if ((dx == 0 && dy == 0) || nx < 0 || ny < 0 || nx >= w || ny >= h)
                            continue;
                        const Color& o = col[static_cast<size_t>(ny) * w + nx];
                        const Color& c = col[static_cast<size_t>(y) * w + x];
                        edge = 0.299 * std::fabs(c.r - o.r) + 0.587 * std::fabs(c.g - o.g) +
                                   0.114 * std::fabs(c.b - o.b) >= set.aaThreshold;
                    }
                again[static_cast<size_t>(y) * w + x] = edge;
            }
        const double old = pass * n + 1;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const size_t i = static_cast<size_t>(y) * w + x;
                if (!again[i])
                    continue;
                const int j = ex0 + x, row = ey0 + y;
                Color sum;
                double alphaSum = 0;
                for (int s = 0; s < n; ++s) {
                    const int k = pass * n + s;
                    const double px = j + 0.5 + set.aaPixelWidth *
                        (LarcherPillichshammer(static_cast<uint32_t>(k + j + static_cast<int64_t>(row) * cam.resx)) - 0.5);
                    const double py = row + 0.5 + set.aaPixelWidth * (static_cast<double>(k) / (n * set.aaPasses) - 0.5);
                    double a = 0;
                    sum += Sample(px, py, seed(j, row, k + 1), true, a);
                    alphaSum += a;
                }
                col[i] = Color((col[i].r * old + sum.r) / (old + n), (col[i].g * old + sum.g) / (old + n),
                               (col[i].b * old + sum.b) / (old + n));
                alpha[i] = (alpha[i] * old + alphaSum) / (old + n);
            }
    }
    for (int y = dy0; y < dy1; ++y)
        for (int x = dx0; x < dx1; ++x) {
            const size_t from = static_cast<size_t>(y - ey0) * w + (x - ex0);
            const size_t to = static_cast<size_t>(y) * cam.resx + x;
            image.color[to] = set.alphaPremultiply ? col[from] * alpha[from] : col[from];
            image.alpha[to] = alpha[from];
        }
}

void Renderer::Render(Image& image, int threads, const std::function<void(int, int)>& progress,
                      const PixelRect* region) const
{
    const Camera& cam = scene_.camera;
    const PixelRect drawn = region ? *region : PixelRect{0, 0, cam.resx, cam.resy};
    image.width = cam.resx;
    image.height = cam.resy;
    image.color.assign(static_cast<size_t>(cam.resx) * cam.resy, Color());
    image.alpha.assign(image.color.size(), 0);
    const int total = BlockCount();
    std::vector<int> order(static_cast<size_t>(total));
    for (int i = 0; i < total; ++i)
        order[static_cast<size_t>(i)] = i;
    std::mt19937 shuffle(12345);
    for (int i = total - 1; i > 0; --i)
        std::swap(order[static_cast<size_t>(i)], order[shuffle() % static_cast<unsigned>(i + 1)]);
    std::atomic<int> next{0};
    std::mutex lock;
    int finished = 0;
    auto work = [&]() {
        tRays = 0;
        for (int b; (b = next.fetch_add(1)) < total;) {
            RenderBlock(order[static_cast<size_t>(b)], drawn, image);
            rays_ += tRays;
            tRays = 0;
            std::lock_guard<std::mutex> guard(lock);
            ++finished;
            if (progress)
                progress(finished, total);
        }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < std::max(1, threads); ++t)
        pool.emplace_back(work);
    work();
    for (std::thread& t : pool)
        t.join();
}

} // namespace kelvane::rt
