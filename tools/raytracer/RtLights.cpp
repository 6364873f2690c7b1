// Direct light: point, sun, spot, soft, area, hemi and sphere lights with their shadows.
#include <algorithm>
#include <cmath>

#include "raytracer/RtSurface.h"

namespace kelvane::rt {

namespace {

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

// Any frame around a unit vector.
void Frame(const Vec3& n, Vec3& a, Vec3& b)
{
    a = Norm(Cross(n, std::fabs(n.x) < 0.9 ? Vec3(1, 0, 0) : Vec3(0, 1, 0)));
    b = Cross(n, a);
}

} // namespace

bool Renderer::Shadowed(const Surface& s, const Vec3& dir, double dist, double otherMin) const
{
    ++tRays;
    return bvh_.Occluded(Ray{s.p, dir}, dist, s.object, scene_.settings.bias, otherMin);
}

Color Renderer::Lights(const Surface& s, Rng& rng, bool vertex, int level) const
{
    Color sum;
    for (const Light& light : scene_.lights) {
        if (vertex ? !light.useInIndirect : !light.useInRender)
            continue;
        if (light.type == LightType::Path) {
            if (!vertex)
                sum += PathLight(light, s, rng, level);
            continue;
        }
        sum += DirectLight(light, s, rng, vertex);
    }
    return sum;
}

Color Renderer::DirectLight(const Light& light, const Surface& s, Rng& rng, bool vertex) const
{
    switch (light.type) {
    case LightType::Point:
    case LightType::Spot: {
        TowardsLight t;
        if (!Towards(light.from, s.p, t))
            return {};
        Color e = light.color * (light.power / t.d2);
        if (light.type == LightType::Spot) {
            const double ca = Dot(t.l, Norm(light.from - light.to));
            const double cosSize = std::cos(light.size * kPi / 180);
            if (ca < cosSize)
                return {};
            e *= std::pow(ca, light.beamFalloff) * SmoothStep(cosSize, std::cos(light.size * (1 - light.blend) * kPi / 180), ca);
        }
        const Color c = LightResponse(s, t.l, e);
        if (c.IsBlack() || (light.castShadows && Shadowed(s, t.l, t.d)))
            return {};
        return c;
    }
    case LightType::Sun: {
        const Vec3 l = Norm(light.from);
        const Color c = LightResponse(s, l, light.color * light.power);
        if (c.IsBlack() || (light.castShadows && Shadowed(s, l, 1e30)))
            return {};
        return c;
    }
    case LightType::Soft: {
        // A point light whose shadow is the unblocked share of rays to points spread over the
        // angle that `radius` texels of the shadow map cover.
        TowardsLight t;
        if (!Towards(light.from, s.p, t))
            return {};
        const Color c = LightResponse(s, t.l, light.color * (light.power / t.d2));
        if (c.IsBlack())
            return {};
        const double spread = t.d * light.radius * (kPi / 2) / std::max(1.0, light.res);
        Vec3 a, b;
        Frame(t.l, a, b);
        const int rays = vertex ? 1 : 8;
        int open = 0;
        for (int i = 0; i < rays; ++i) {
            const double r = spread * std::sqrt(rng.Next()), phi = 2 * kPi * rng.Next();
            const Vec3 q = light.from + a * (r * std::cos(phi)) + b * (r * std::sin(phi)) - s.p;
            const double dq = Length(q);
            if (!Shadowed(s, q * (1 / dq), std::max(0.0, dq - light.bias)))
                ++open;
        }
        return c * (static_cast<double>(open) / rays);
    }
    case LightType::Area: {
        if (light.color.IsBlack() || light.dummy)
            return {};
        const Vec3 n = Norm(Cross(light.b - light.a, light.d - light.a));
        const Vec3 centre = (light.a + light.b + light.c + light.d) * 0.25;
        const double planeAt = Dot(s.p - centre, n);
        if (planeAt <= 0)
            return {};
        const Vec3 ab = light.b - light.a, ad = light.d - light.a;
        const double lh = std::max(Length(ab), Length(light.c - light.d));
        const double lv = std::max(Length(light.c - light.b), Length(light.a - light.d));
        int h = 1, v = 1;
        if (light.samples > 1 && lh + lv > 0 && !vertex) {
            const double root = 2 * std::sqrt(static_cast<double>(light.samples));
            h = std::max(1, static_cast<int>(root * lh / (lh + lv)));
            v = std::max(1, static_cast<int>(root * lv / (lh + lv)));
        }
        // Probes at random cell centres: all open, the centres are lit without shadow rays;
        // all blocked, the light is dark; mixed, every cell is tested.
        bool jitter = true, test = true;
        if (light.psamples > 0 && !vertex) {
            int open = 0;
            for (int k = 0; k < light.psamples; ++k) {
                const int i = std::min(h - 1, static_cast<int>(rng.Next() * h));
                const int j = std::min(v - 1, static_cast<int>(rng.Next() * v));
                const Vec3 toQ = light.a + ab * ((i + 0.5) / h) + ad * ((j + 0.5) / v) - s.p;
                const double dq = Length(toQ);
                open += dq > 0 && !Shadowed(s, toQ * (1 / dq), dq);
            }
            if (open == 0)
                return {};
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
        return cells * (planeAt / (h * v));
    }
    case LightType::Hemi: {
        const Color response = LightResponse(s, s.n, Color(1.0));
        if (response.Max() < 0.05)
            return {};
        const int k = vertex ? 1 : std::max(1, static_cast<int>(std::sqrt(static_cast<double>(light.samples))));
        Vec3 a, b;
        Frame(s.n, a, b);
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
        return sky * response * (light.power / (k * k));
    }
    case LightType::Sphere: {
        if (light.dummy)
            return {};
        if (light.radius <= 0.01) {
            TowardsLight t;
            if (!Towards(light.from, s.p, t))
                return {};
            const Color c = LightResponse(s, t.l, light.color * (light.power / t.d2));
            return c.IsBlack() || Shadowed(s, t.l, t.d) ? Color() : c;
        }
        // Points of the disc through the centre that faces the shading point.
        Vec3 a, b;
        Frame(Norm(s.p - light.from), a, b);
        auto discPoint = [&](double u1, double u2) {
            const double r = light.radius * std::sqrt(u1), phi = 2 * kPi * u2;
            return light.from + a * (r * std::cos(phi)) + b * (r * std::sin(phi));
        };
        const int samples = vertex ? 1 : std::max(1, light.samples);
        bool test = true;
        if (light.psamples > 0 && !vertex) {
            int open = 0;
            for (int k = 0; k < light.psamples; ++k) {
                TowardsLight t;
                open += Towards(discPoint(rng.Next(), rng.Next()), s.p, t) && !Shadowed(s, t.l, t.d);
            }
            if (open == 0)
                return {};
            test = open < light.psamples;
        }
        Color sum;
        for (int k = 0; k < samples; ++k) {
            TowardsLight t;
            if (!Towards(discPoint(rng.Next(), rng.Next()), s.p, t))
                continue;
            const Color c = LightResponse(s, t.l, light.color * (light.power / t.d2));
            if (!c.IsBlack() && !(test && Shadowed(s, t.l, t.d)))
                sum += c;
        }
        return sum * (1.0 / samples);
    }
    case LightType::Path:
    case LightType::Photon:
    case LightType::GlobalPhoton:
        break;
    }
    return {};
}

} // namespace kelvane::rt
