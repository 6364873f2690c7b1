#include "raytracer/RtRender.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <random>
#include <thread>

namespace kelvane::rt {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kOffset = 0.00005;  // start of secondary rays and of shadow rays off the own object
constexpr int kBlock = 64;

thread_local uint64_t tRays = 0;

double SmoothStep(double a, double b, double v)
{
    if (v <= a)
        return 0;
    if (v >= b)
        return 1;
    const double t = (v - a) / (b - a);
    return t * t * (3 - 2 * t);
}

// Base-2 Larcher-Pillichshammer radical inverse.
double LarcherPillichshammer(uint32_t i)
{
    uint32_t r = 0;
    for (uint32_t v = 1u << 31; i; i >>= 1, v |= v >> 1)
        if (i & 1)
            r ^= v;
    return r / 4294967296.0;
}

// Reflected share of the renderer's Fresnel term for cosine c = V.N.
void Fresnel(double c, double ior, bool fast, double& kr, double& kt)
{
    if (fast) {
        const double f0 = ((ior - 1) / (ior + 1)) * ((ior - 1) / (ior + 1));
        kr = f0 + (1 - f0) * std::pow(std::max(0.0, 1 - c), 5);
    } else {
        const double g = std::sqrt(std::max(0.0, ior * ior + c * c - 1));
        const double gc = g + c;
        if (gc == 0) {
            kr = 1;
        } else {
            const double a = c * gc - 1, b = c * gc + 1;
            kr = 0.5 * (g - c) * (g - c) / (gc * gc) * (1 + (b != 0 ? a * a / (b * b) : 0));
        }
    }
    kt = kr >= 1 ? 0 : 1 - kr;
}

Color ToneMapColor(const Color& c, const Settings& s)
{
    return {ToneMap(c.r, s), ToneMap(c.g, s), ToneMap(c.b, s)};
}

// The unit direction from p towards a light at `from`, with the distance and its square; false
// when p is the light's own position.
struct TowardsLight {
    Vec3 l;
    double d, d2;
};
bool Towards(const Vec3& from, const Vec3& p, TowardsLight& out)
{
    const Vec3 toLight = from - p;
    out.d2 = Dot(toLight, toLight);
    if (out.d2 == 0)
        return false;
    out.d = std::sqrt(out.d2);
    out.l = toLight * (1 / out.d);
    return true;
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

    if (scene.background.type == BackgroundType::Sunsky) {
        const Background& b = scene.background;
        const double t = b.turbidity;
        Vec3 sun = Norm(b.sunDir);
        if (Dot(sun, sun) == 0)
            sun = Norm(Vec3(1, 1, 1));
        sunTheta_ = std::acos(std::clamp(sun.z, -1.0, 1.0));
        // The sky is drawn for a sun no lower than the horizon.
        const double horizontal = std::hypot(sun.x, sun.y);
        sun_ = sunTheta_ <= kPi / 2 ? sun
             : horizontal > 0       ? Vec3(sun.x / horizontal, sun.y / horizontal, 0)
                                    : Vec3(1, 0, 0);
        // A sun below the horizon darkens the sky until it is 10 degrees down.
        sunFade_ = 1 - SmoothStep(kPi / 2, kPi / 2 + 10 * kPi / 180, sunTheta_);
        const double ts = std::min(sunTheta_, kPi / 2);
        const double coef[3][5] = {
            {0.1787 * t - 1.4630, -0.3554 * t + 0.4275, -0.0227 * t + 5.3251, 0.1206 * t - 2.5771, -0.0670 * t + 0.3703},
            {-0.0193 * t - 0.2592, -0.0665 * t + 0.0008, -0.0004 * t + 0.2125, -0.0641 * t - 0.8989, -0.0033 * t + 0.0452},
            {-0.0167 * t - 0.2608, -0.0950 * t + 0.0092, -0.0079 * t + 0.2102, -0.0441 * t - 1.6537, -0.0109 * t + 0.0529}};
        for (int k = 0; k < 3; ++k)
            for (int i = 0; i < 5; ++i)
                perez_[k][i] = coef[k][i] * b.perez[i];
        const double chi = (4.0 / 9.0 - t / 120.0) * (kPi - 2 * ts);
        zenith_[0] = ((4.0453 * t - 4.9710) * std::tan(chi) - 0.2155 * t + 2.4192) * 1000.0 / 15000.0;
        const double t2 = ts * ts, t3 = t2 * ts;
        zenith_[1] = t * t * (0.00166 * t3 - 0.00375 * t2 + 0.00209 * ts) +
                     t * (-0.02903 * t3 + 0.06377 * t2 - 0.03202 * ts + 0.00394) +
                     (0.11693 * t3 - 0.21196 * t2 + 0.06052 * ts + 0.25886);
        zenith_[2] = t * t * (0.00275 * t3 - 0.00610 * t2 + 0.00317 * ts) +
                     t * (-0.04214 * t3 + 0.08970 * t2 - 0.04153 * ts + 0.00516) +
                     (0.15346 * t3 - 0.26756 * t2 + 0.06670 * ts + 0.26688);
    }
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
// Background

Color Renderer::BackgroundColor(const Vec3& dir) const
{
    const Background& b = scene_.background;
    if (b.type == BackgroundType::Constant)
        return b.color;
    if (b.type != BackgroundType::Sunsky)
        return Color();
    // Perez distribution of the daylight model; below the horizon the horizon fades to black.
    Vec3 d = Norm(dir);
    const double theta = std::acos(std::clamp(d.z, -1.0, 1.0));
    double fade = sunFade_;
    if (d.z < 0.001) {
        fade *= 1 - SmoothStep(kPi / 2, kPi, theta);
        d.z = 0.001;
        d = Norm(d);
    }
    const double th = std::acos(d.z);
    const double gamma = std::acos(std::clamp(Dot(d, sun_), -1.0, 1.0));
    const double ts = std::min(sunTheta_, kPi / 2);
    double value[3];
    for (int k = 0; k < 3; ++k) {
        const double* p = perez_[k];
        const double num = (1 + p[0] * std::exp(p[1] / std::cos(th))) *
                           (1 + p[2] * std::exp(p[3] * gamma) + p[4] * std::cos(gamma) * std::cos(gamma));
        const double den = (1 + p[0] * std::exp(p[1])) *
                           (1 + p[2] * std::exp(p[3] * ts) + p[4] * std::cos(ts) * std::cos(ts));
        value[k] = den != 0 ? zenith_[k] * num / den : 0;
    }
    const double Y = value[0], x = value[1], y = value[2];
    if (!(y > 0))
        return Color();
    const double X = x / y * Y, Z = (1 - x - y) / y * Y;
    const Color rgb{3.2406 * X - 1.5372 * Y - 0.4986 * Z, -0.9689 * X + 1.8758 * Y + 0.0415 * Z,
                    0.0557 * X - 0.2040 * Y + 1.0570 * Z};
    return Color(std::max(0.0, rgb.r), std::max(0.0, rgb.g), std::max(0.0, rgb.b)) * fade;
}

// ---------------------------------------------------------------------------------------------
// Shading

struct Renderer::Surface {
    Vec3 p;
    Vec3 n;       // shading normal facing the viewer
    Vec3 ng;      // geometric normal turned the same way
    Vec3 stored;  // geometric normal as stored
    Vec3 v;       // towards the ray origin
    const Shader* shader;
    uint32_t object;
};

bool Renderer::Shadowed(const Surface& s, const Vec3& dir, double dist, double otherMin) const
{
    ++tRays;
    return bvh_.Occluded(Ray{s.p, dir}, dist, s.object, scene_.settings.bias, otherMin);
}

Color Renderer::LightResponse(const Surface& s, const Vec3& l, const Color& e) const
{
    const Shader& sh = *s.shader;
    const double nl = Dot(s.n, l);
    if (sh.type == ShaderType::Blender) {
        if (nl <= 0)
            return Color();
        double m = 0;
        if (sh.reflect) {
            double kr, kt;
            Fresnel(Dot(s.v, s.n), sh.ior, false, kr, kt);
            m = std::clamp(sh.fresnelOffset + kr, 0.0, 1.0) * sh.reflectAmount;
        }
        Color out = sh.color * (sh.alpha * sh.diffuseReflect * nl * (1 - m));
        if (sh.specularAmount != 0) {
            const Vec3 h = Norm(l + s.v);
            out += sh.specularColor * (sh.specularAmount * std::pow(std::max(0.0, Dot(h, s.n)), sh.hard));
        }
        return out * e;
    }
    if (nl < 0)
        return Color();
    Color out = sh.color * nl;
    if (sh.type == ShaderType::Generic && !sh.specular.IsBlack()) {
        const Vec3 r = s.n * (2 * Dot(s.v, s.n)) - s.v;
        out += sh.specular * std::pow(std::max(0.0, Dot(r, l)), sh.hard);
    }
    return out * e;
}

Color Renderer::Lights(const Surface& s, Rng& rng) const
{
    Color sum;
    for (const Light& light : scene_.lights) {
        switch (light.type) {
        case LightType::Point:
        case LightType::Spot: {
            TowardsLight t;
            if (!Towards(light.from, s.p, t))
                break;
            const Vec3& l = t.l;
            const double d = t.d;
            Color e = light.color * (light.power / t.d2);
            if (light.type == LightType::Spot) {
                const double ca = Dot(l, Norm(light.from - light.to));
                const double cosSize = std::cos(light.size * kPi / 180);
                if (ca < cosSize)
                    break;
                e *= std::pow(ca, light.beamFalloff) *
                     SmoothStep(cosSize, std::cos(light.size * (1 - light.blend) * kPi / 180), ca);
            }
            const Color c = LightResponse(s, l, e);
            if (!c.IsBlack() && !(light.castShadows && Shadowed(s, l, d)))
                sum += c;
            break;
        }
        case LightType::Sun: {
            const Vec3 l = Norm(light.from);
            const Color c = LightResponse(s, l, light.color * light.power);
            if (!c.IsBlack() && !(light.castShadows && Shadowed(s, l, 1e30)))
                sum += c;
            break;
        }
        case LightType::Soft: {
            // A point light whose shadow is the unblocked share of rays to points spread over
            // the angle that `radius` texels of the shadow map cover.
            TowardsLight t;
            if (!Towards(light.from, s.p, t))
                break;
            const Vec3& l = t.l;
            const double d = t.d;
            const Color c = LightResponse(s, l, light.color * (light.power / t.d2));
            if (c.IsBlack())
                break;
            const double spread = d * light.radius * (kPi / 2) / std::max(1.0, light.res);
            const Vec3 a = Norm(Cross(l, std::fabs(l.x) < 0.9 ? Vec3(1, 0, 0) : Vec3(0, 1, 0)));
            const Vec3 b = Cross(l, a);
            constexpr int kRays = 8;
            int open = 0;
            for (int i = 0; i < kRays; ++i) {
                const double r = spread * std::sqrt(rng.Next()), phi = 2 * kPi * rng.Next();
                const Vec3 q = light.from + a * (r * std::cos(phi)) + b * (r * std::sin(phi)) - s.p;
                const double dq = Length(q);
                if (!Shadowed(s, q * (1 / dq), std::max(0.0, dq - light.bias)))
                    ++open;
            }
            sum += c * (static_cast<double>(open) / kRays);
            break;
        }
        case LightType::Area: {
            if (light.color.IsBlack())
                break;
            const Vec3 n = Norm(Cross(light.b - light.a, light.d - light.a));
            const Vec3 centre = (light.a + light.b + light.c + light.d) * 0.25;
            const double planeAt = Dot(s.p - centre, n);
            if (planeAt <= 0)
                break;
            const Vec3 ab = light.b - light.a, ad = light.d - light.a;
            const double lh = std::max(Length(ab), Length(light.c - light.d));
            const double lv = std::max(Length(light.c - light.b), Length(light.a - light.d));
            int h = 1, v = 1;
            if (light.samples > 1 && lh + lv > 0) {
                const double root = 2 * std::sqrt(static_cast<double>(light.samples));
                h = std::max(1, static_cast<int>(root * lh / (lh + lv)));
                v = std::max(1, static_cast<int>(root * lv / (lh + lv)));
            }
            // Probes at random cell centres: all open, the centres are lit without shadow rays;
            // all blocked, the light is dark; mixed, every cell is tested.
            bool jitter = true, test = true;
            if (light.psamples > 0) {
                int open = 0;
                for (int k = 0; k < light.psamples; ++k) {
                    const int i = std::min(h - 1, static_cast<int>(rng.Next() * h));
                    const int j = std::min(v - 1, static_cast<int>(rng.Next() * v));
                    const Vec3 toQ = light.a + ab * ((i + 0.5) / h) + ad * ((j + 0.5) / v) - s.p;
                    const double dq = Length(toQ);
                    open += dq > 0 && !Shadowed(s, toQ * (1 / dq), dq);
                }
                if (open == 0)
                    break;
                if (open == light.psamples)
                    jitter = test = false;
            }
            Color cells;
            for (int i = 0; i < h; ++i)
                for (int j = 0; j < v; ++j) {
                    const double ju = jitter ? rng.Next() : 0.5, jv = jitter ? rng.Next() : 0.5;
                    const Vec3 q = light.a + ab * ((i + ju) / h) + ad * ((j + jv) / v);
                    TowardsLight t;
                    if (Dot(q - s.p, s.n) < 0 || !Towards(q, s.p, t))
                        continue;
                    const Color c = LightResponse(s, t.l, light.color * (light.power / t.d2));
                    if (!c.IsBlack() && !(test && Shadowed(s, t.l, t.d)))
                        cells += c;
                }
            sum += cells * (planeAt / (h * v));
            break;
        }
        case LightType::Hemi: {
            const Color response = LightResponse(s, s.n, Color(1.0));
            if (response.Max() < 0.05)
                break;
            const int k = std::max(1, static_cast<int>(std::sqrt(static_cast<double>(light.samples))));
            const Vec3 a = Norm(Cross(s.n, std::fabs(s.n.x) < 0.9 ? Vec3(1, 0, 0) : Vec3(0, 1, 0)));
            const Vec3 b = Cross(s.n, a);
            const double reach = light.maxDistance > 0 ? light.maxDistance : 1e30;
            Color sky;
            for (int row = 0; row < k; ++row)
                for (int col = 0; col < k; ++col) {
                    const double cosT = (row + rng.Next()) / k;
                    const double sinT = std::sqrt(std::max(0.0, 1 - cosT * cosT));
                    const double phi = 2 * kPi * (col + rng.Next()) / k;
                    const Vec3 dir = a * (sinT * std::cos(phi)) + b * (sinT * std::sin(phi)) + s.n * cosT;
                    if (Shadowed(s, dir, reach))
                        continue;
                    sky += (light.hasColor ? light.color : BackgroundColor(dir)) * cosT;
                }
            sum += sky * response * (light.power / (k * k));
            break;
        }
        }
    }
    return sum;
}

Color Renderer::Shade(const Ray& ray, const Hit& hit, int level, double weight, Rng& rng) const
{
    const Triangle& tri = scene_.triangles[hit.triangle];
    Surface s;
    s.p = ray.origin + ray.dir * hit.t;
    s.v = -ray.dir;
    s.stored = scene_.faceNormals[hit.triangle];
    s.shader = &scene_.shaders[tri.shader < scene_.shaders.size() ? tri.shader : 0];
    s.object = tri.object;
    Vec3 n = s.stored;
    if (tri.corners >= 0) {
        const Vec3* c = &scene_.cornerNormals[static_cast<size_t>(tri.corners)];
        const Vec3 mix = c[0] * (1 - hit.u - hit.v) + c[1] * hit.u + c[2] * hit.v;
        if (Dot(mix, mix) > 0)
            n = Norm(mix);
    }
    const bool front = Dot(s.stored, s.v) >= 0;
    s.n = front ? n : -n;
    s.ng = front ? s.stored : -s.stored;
    const Shader& sh = *s.shader;

    if (sh.type == ShaderType::Constant || (sh.type == ShaderType::Blender && sh.shadeless))
        return sh.color;
    Color out = Lights(s, rng);

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
        out += scale * nr * Trace(Ray{s.p + r * kOffset, r}, level + 1, weight * nr, rng);
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
        out += scale * nt * Trace(Ray{s.p + t * kOffset, t}, level + 1, weight * nt, rng);
    };

    if (sh.type == ShaderType::Generic && (!sh.reflected.IsBlack() || !sh.transmitted.IsBlack())) {
        double kr, kt;
        Fresnel(Dot(s.v, s.n), sh.ior, sh.fastFresnel, kr, kt);
        reflect(std::min(1.0, sh.minRefle + kr), sh.reflected);
        transmit(std::min(1.0, kt), sh.ior, sh.transmitted);
    } else if (sh.type == ShaderType::Blender) {
        out += sh.color * sh.emit;
        double kr = 0, kt = 1;
        if (sh.reflect || sh.refract)
            Fresnel(Dot(s.v, s.n), sh.ior, false, kr, kt);
        if (sh.reflect)
            reflect(std::min(1.0, sh.fresnelOffset + kr),
                    sh.mirrorColor * (sh.reflectAmount * (sh.refract ? 1.0 : sh.alpha)));
        if (sh.refract && sh.alpha < 1)
            transmit(std::min(1.0, kt), sh.ior, sh.color * (1 - sh.alpha));
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

Color Renderer::Sample(double px, double py, uint64_t seed, double& alpha) const
{
    Rng rng(seed);
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
            col[i] = Sample(x + 0.5, y + 0.5, seed(x, y, 0), alpha[i]);
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
                    sum += Sample(px, py, seed(j, row, k + 1), a);
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
