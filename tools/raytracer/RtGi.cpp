// Global illumination: the pathlight by path tracing (with the real renderer's quirks), and the
// global photon map's direct share from its emitters.
#include <algorithm>
#include <cmath>

#include "raytracer/RtSurface.h"

namespace kelvane::rt {

namespace {

// A direction about n, cosine-weighted, from two numbers in [0, 1).
Vec3 CosineDirection(const Vec3& n, double u1, double u2)
{
    Vec3 nu, nv;
    Tangents(n, nu, nv);
    const double cosT = std::sqrt(u1), sinT = std::sqrt(std::max(0.0, 1 - u1)), phi = 2 * kPi * u2;
    return nu * (sinT * std::cos(phi)) + nv * (sinT * std::sin(phi)) + n * cosT;
}

} // namespace

Color Renderer::PhotonIrradiance(const Light& path, const Surface& s) const
{
    if (path.photonMap < 0 || !scene_.objects[s.object].recvRad)
        return {};
    // Photons spread over a half space land as about two thirds of the light's direct irradiance;
    // point and spot photons are stored only after a diffuse bounce, which is left out here.
    constexpr double kShare = 2.0 / 3.0;
    Color sum;
    for (const Light& light : scene_.lights) {
        Vec3 from;
        double power = light.power;
        if (light.type == LightType::Sphere) {
            from = light.from;
            if (s.p.z <= from.z)
                continue;  // its photons leave into the +z half space only
        } else if (light.type == LightType::Area && light.dummy) {
            from = (light.a + light.b + light.c + light.d) * 0.25;
            const Vec3 normal = Cross(light.b - light.a, light.d - light.a);
            const double cosOut = Dot(Norm(normal), Norm(s.p - from));
            if (cosOut <= 0)
                continue;
            power *= Length(normal) / 2 * cosOut;
        } else {
            continue;
        }
        const Vec3 toLight = from - s.p;
        const double d2 = Dot(toLight, toLight);
        if (d2 == 0)
            continue;
        const double d = std::sqrt(d2);
        const Vec3 l = toLight * (1 / d);
        const double cosIn = Dot(s.n, l);
        if (cosIn <= 0 || Shadowed(s, l, d))
            continue;
        sum += light.color * (kShare * power * cosIn / d2);
    }
    return sum;
}

Color Renderer::VertexLight(const Light& path, const Surface& h, const Color& diffuse, Rng& rng) const
{
    // One of the indirect lights (the photon map counting as one) at random, weighted by their
    // number: the same mean as all of them at a fraction of the shadow rays.
    const int count = static_cast<int>(indirect_.size()) + (path.photonMap >= 0 ? 1 : 0);
    if (count == 0)
        return {};
    const int pick = std::min(count - 1, static_cast<int>(rng.Next() * count));
    if (pick == static_cast<int>(indirect_.size()))
        return PhotonIrradiance(path, h) * diffuse * count;
    return DirectLight(*indirect_[static_cast<size_t>(pick)], h, rng, true) * count;
}

Color Renderer::PathLight(const Light& light, const Surface& s, Rng& rng, int level) const
{
    const Color diffuse = DiffuseColour(s);
    if (diffuse.Energy() < 0.05)
        return {};
    if (light.direct) {
        // The lights as seen from along the normal, counted again through the diffuse colour.
        Surface along = s;
        along.v = s.n;
        const Color e = Lights(along, rng, true, level) + Emission(s) + PhotonIrradiance(light, s) * diffuse;
        return diffuse * e * light.power;
    }
    // Anti-aliasing resamples and reflected points take fewer paths: the pixel's mean is the same.
    int samples = light.samples * (light.cache ? 4 : 1);
    if (level > 0 || rng.resample)
        samples = std::max(1, samples / 4);
    const int side = static_cast<int>(std::sqrt(static_cast<double>(samples)));
    const bool grid = side * side == samples;
    const double reach = light.maxDistance > 0 ? light.maxDistance : 1e30;
    Color sum;
    int taken = 0;
    for (int i = 0; i < samples && rng.rayBudget > 0; ++i, ++taken) {
        const double u1 = grid ? (i / side + rng.Next()) / side : rng.Next();
        const double u2 = grid ? (i % side + rng.Next()) / side : rng.Next();
        const Vec3 first = CosineDirection(s.n, u1, u2);
        const double weight = Dot(first, s.n);  // the first direction's cosine weighs every bounce
        if (light.occlusion) {
            --rng.rayBudget;
            ++tRays;
            if (!bvh_.Occluded(Ray{s.p, first}, reach, s.object, kOffset, kOffset))
                sum += BackgroundColor(first) * weight;
            continue;
        }
        // The throughput as the renderer walks it (its cut-off and weights), and the chance the
        // path was let on so far: later bounces may end at random, their light scaled up.
        Color through(1.0);
        double kept = 1;
        Vec3 origin = s.p, dir = first;
        uint32_t from = s.triangle;
        int caustic = 0;
        for (int bounce = 0; bounce < light.depth && through.Energy() >= 0.05 && --rng.rayBudget >= 0;) {
            ++tRays;
            const Ray ray{origin, dir};
            Hit hit;
            if (!bvh_.IntersectCasters(ray, kOffset, 1e30, from, hit)) {
                sum += BackgroundColor(dir) * through * (weight / kept);
                break;
            }
            Surface h;
            MakeSurface(ray, hit, rng, h);
            const Color hd = DiffuseColour(h);
            sum += (VertexLight(light, h, hd, rng) + Emission(h)) * through * (weight / kept);
            origin = h.p;
            from = hit.triangle;
            const ObjectInfo& info = scene_.objects[h.object];
            if (info.caustic && caustic < light.causDepth) {
                double kr, kt;
                Fresnel(Dot(h.v, h.n), info.causIor, false, kr, kt);
                const double wr = (info.causR * kr).Energy(), wt = (info.causT * kt).Energy();
                if (wr + wt > 0) {
                    ++caustic;
                    if (rng.Next() * (wr + wt) < wr) {
                        through *= info.causR * kr;
                        dir = h.n * (2 * Dot(h.v, h.n)) - h.v;
                    } else {
                        through *= info.causT * kt;
                        const double cosI = Dot(dir, h.stored);
                        const double eta = cosI < 0 ? 1 / info.causIor : info.causIor;
                        const Vec3 nn = cosI < 0 ? h.stored : -h.stored;
                        const double c = std::fabs(cosI), k = 1 - eta * eta * (1 - c * c);
                        dir = k < 0 ? dir - nn * (2 * Dot(dir, nn)) : Norm(dir * eta + nn * (eta * c - std::sqrt(k)));
                    }
                    continue;
                }
            }
            through *= hd;
            ++bounce;
            if (bounce >= light.depth || through.Energy() < 0.05)
                break;
            if (bounce >= 2) {
                const double go = std::clamp(through.Max(), 0.1, 1.0);
                if (rng.Next() >= go)
                    break;
                kept *= go;
            }
            dir = CosineDirection(h.n, rng.Next(), rng.Next());
        }
    }
    if (taken == 0)
        return {};
    return diffuse * (sum * (1.0 / taken)) * light.power;
}

bool Renderer::HasFakePass() const
{
    return std::any_of(scene_.lights.begin(), scene_.lights.end(),
                       [](const Light& l) { return l.type == LightType::Path && l.useInRender && l.cache; });
}

} // namespace kelvane::rt
