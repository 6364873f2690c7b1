// Shading values at a hit: texture coordinates, bump, the modulators of both shader kinds and
// the shaders' response to light.
#include <algorithm>
#include <cmath>

#include "raytracer/RtSurface.h"

namespace kelvane::rt {

namespace {

Color Clamped(const Color& c) { return {std::max(0.0, c.r), std::max(0.0, c.g), std::max(0.0, c.b)}; }

// A generic modulator's rule on a colour channel: only mix, mul, add and sub change anything.
Color GenericBlend(BlendMode mode, const Color& c, const Color& t, double a)
{
    switch (mode) {
    case BlendMode::Mix: {
        const double f = std::min(a, 1.0);
        return t * f + c * (1 - f);
    }
    case BlendMode::Mul:
        return (t * a + Color(1 - a)) * c;
    case BlendMode::Add:
        return c + t * a;
    case BlendMode::Sub:
        return c - t * a;
    default:
        return c;
    }
}

double GenericBlend(BlendMode mode, double c, double t, double a)
{
    return GenericBlend(mode, Color(c), Color(t), a).r;
}

// A blendershader modulator's rule on one channel value: tex blended into out by factor f, with
// the modulator's colfac or varfac as `whole`.
double BlenderBlend(BlendMode mode, double tex, double out, double f, double whole)
{
    switch (mode) {
    case BlendMode::Add:
        return out + f * tex;
    case BlendMode::Sub:
        return out - f * tex;
    case BlendMode::Mul:
        return (1 - whole + f * tex) * out;
    case BlendMode::Screen:
        return 1 - (1 - whole + f * (1 - tex)) * (1 - out);
    case BlendMode::Difference:
        return (1 - f) * out + f * std::fabs(tex - out);
    case BlendMode::Divide:
        return (1 - f) * out + (tex != 0 ? f * out / tex : 0);
    case BlendMode::Darken:
        return std::min(f * tex, out);
    case BlendMode::Lighten:
        return std::max(f * tex, out);
    case BlendMode::Mix:
        break;
    }
    return f * tex + (1 - f) * out;
}

Color BlenderBlend(BlendMode mode, const Color& tex, const Color& out, double f, double whole)
{
    return Clamped({BlenderBlend(mode, tex.r, out.r, f, whole), BlenderBlend(mode, tex.g, out.g, f, whole),
                    BlenderBlend(mode, tex.b, out.b, f, whole)});
}

// Barycentric weights (of corners 1 and 2) of a point in a triangle's plane.
void Barycentric(const Scene& scene, const Triangle& t, const Vec3& p, double& u, double& v)
{
    const Vec3& a = scene.points[t.v[0]];
    const Vec3 e1 = scene.points[t.v[1]] - a, e2 = scene.points[t.v[2]] - a, d = p - a;
    const double d11 = Dot(e1, e1), d12 = Dot(e1, e2), d22 = Dot(e2, e2);
    const double det = d11 * d22 - d12 * d12;
    if (det == 0) {
        u = v = 0;
        return;
    }
    const double p1 = Dot(d, e1), p2 = Dot(d, e2);
    u = (d22 * p1 - d12 * p2) / det;
    v = (d11 * p2 - d12 * p1) / det;
}

} // namespace

double SmoothStep(double a, double b, double v)
{
    if (v <= a)
        return 0;
    if (v >= b)
        return 1;
    const double t = (v - a) / (b - a);
    return t * t * (3 - 2 * t);
}

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

void Tangents(const Vec3& n, Vec3& nu, Vec3& nv)
{
    if (n.x == 0 && n.y == 0) {
        nu = Vec3(n.z < 0 ? -1 : 1, 0, 0);
        nv = Vec3(0, 1, 0);
        return;
    }
    nu = Norm(Vec3(n.y, -n.x, 0));
    nv = Cross(n, nu);
}

Vec3 Renderer::WindowPosition(const Vec3& p) const
{
    const Camera& c = scene_.camera;
    const Vec3 d = p - c.from;
    const double along = Dot(d, forward_);
    if (along == 0 || c.ortho)
        return {};
    const double fx = c.focal * Dot(d, right_) / along;
    const double fy = c.focal * Dot(d, down_) / along / (c.aspectRatio * c.resy / c.resx);
    return {2 * fx, -2 * fy, 0};
}

void Renderer::MakeSurface(const Ray& ray, const Hit& hit, const Rng& rng, Surface& s) const
{
    const Triangle& tri = scene_.triangles[hit.triangle];
    s.p = ray.origin + ray.dir * hit.t;
    s.v = -ray.dir;
    s.stored = scene_.faceNormals[hit.triangle];
    s.shader = &scene_.shaders[tri.shader < scene_.shaders.size() ? tri.shader : 0];
    s.object = tri.object;
    s.triangle = hit.triangle;
    s.bu = hit.u;
    s.bv = hit.v;
    s.segment = hit.t;
    s.travelled = ray.travelled + hit.t;
    Vec3 n = s.stored;
    if (tri.corners >= 0) {
        const Vec3* c = &scene_.cornerNormals[static_cast<size_t>(tri.corners)];
        const Vec3 mix = c[0] * (1 - hit.u - hit.v) + c[1] * hit.u + c[2] * hit.v;
        if (Dot(mix, mix) > 0)
            n = Norm(mix);
    }
    s.normal = n;
    s.front = Dot(s.stored, s.v) >= 0;
    s.ng = s.front ? s.stored : -s.stored;
    const Shader& sh = *s.shader;
    Material& m = s.m;
    m.color = sh.color;
    m.specular = sh.specular;
    m.specularColor = sh.specularColor;
    m.mirrorColor = sh.mirrorColor;
    m.hard = sh.hard;
    m.diffuseReflect = sh.diffuseReflect;
    m.specularAmount = sh.specularAmount;
    m.alpha = sh.alpha;
    m.emit = sh.emit;
    m.reflectAmount = sh.reflectAmount;
    if (sh.vcolPaint && tri.vcol != kNoSlot) {
        const Color* c = &scene_.vcols[static_cast<size_t>(tri.vcol) * 3];
        m.color = c[0] * (1 - hit.u - hit.v) + c[1] * hit.u + c[2] * hit.v;
    }
    s.textured = !sh.genericModulators.empty() || !sh.blenderModulators.empty();
    if (s.textured) {
        TexSpot& spot = s.spot;
        const ObjectInfo& info = scene_.objects[tri.object];
        const double w0 = 1 - hit.u - hit.v;
        spot.global = s.p;
        if (tri.orco != kNoSlot) {
            const Vec3* o = &scene_.orcos[static_cast<size_t>(tri.orco) * 3];
            spot.orco = o[0] * w0 + o[1] * hit.u + o[2] * hit.v;
        } else {
            const Vec3 local = info.toObject.Point(s.p) - info.boxCentre;
            spot.orco = Vec3(local.x / info.boxHalf.x, local.y / info.boxHalf.y, local.z / info.boxHalf.z);
        }
        double u = 0, v = 0;
        if (tri.uv != kNoSlot) {
            const float* t = &scene_.uvs[static_cast<size_t>(tri.uv) * 6];
            u = t[0] * w0 + t[2] * hit.u + t[4] * hit.v;
            v = t[1] * w0 + t[3] * hit.u + t[5] * hit.v;
        } else if (tri.vcol == kNoSlot && tri.corners < 0 && tri.orco == kNoSlot) {
            u = v = -1;
        }
        spot.uv = Vec3(2 * u - 1, 1 - 2 * v, 0);
        const Camera& c = scene_.camera;
        spot.window = Vec3(2 * rng.px / c.resx - 1, 1 - 2 * rng.py / c.resy, 0);
        spot.cubeNormal = n;
        spot.cubeNormalObject = Norm(info.toObject.Direction(n));
        ApplyBump(s);
        const Vec3 facing = s.front ? s.normal : -s.normal;
        spot.normal = s.normal;
        spot.reflect = facing * (2 * Dot(s.v, facing)) - s.v;
        Modulate(s);
    }
    s.n = s.front ? s.normal : -s.normal;
}

void Renderer::ApplyBump(Surface& s) const
{
    const Shader& sh = *s.shader;
    const Camera& cam = scene_.camera;
    const double footprint = 1 / (cam.resx * (cam.focal != 0 ? cam.focal : 1));
    auto tilt = [&](double du, double dv, const Vec3& nu, const Vec3& nv) {
        const Vec3 bent = s.normal * std::max(0.0, 1 - std::max(std::fabs(du), std::fabs(dv))) + nu * du + nv * dv;
        if (Dot(bent, bent) > 0)
            s.normal = Norm(bent);
    };
    for (const GenericModulator& mod : sh.genericModulators) {
        if (mod.normal == 0)
            continue;
        const Texture& tex = scene_.textures[static_cast<size_t>(mod.texture)];
        Vec3 q;
        const bool picture = tex.type == TextureType::Image;
        if (!MapSpot(mod.mapping, s.spot, picture, q))
            continue;
        auto f = [&](const Vec3& at) { return EvalTexture(scene_.textures, mod.texture, at, s.spot).v; };
        Vec3 nu, nv;
        Tangents(s.normal, nu, nv);
        const Triangle& tri = scene_.triangles[s.triangle];
        if (picture && mod.mapping.texco == TexCo::Uv && tri.uv != kNoSlot && tex.picture) {
            // One texel either side in the picture; the v difference is not scaled.
            const Vec3 sx(1.0 / tex.picture->width, 0, 0), sy(0, 1.0 / tex.picture->height, 0);
            tilt((f(q - sx) - f(q + sx)) * mod.normal, f(q - sy) - f(q + sy), nu, nv);
            continue;
        }
        const double r = footprint * s.segment;
        if (!(r > 0))
            continue;
        tilt((f(q - nu * r) - f(q + nu * r)) * mod.normal / r, (f(q - nv * r) - f(q + nv * r)) * mod.normal / r, nu, nv);
    }
    for (const BlenderModulator& mod : sh.blenderModulators) {
        if (mod.normal == 0)
            continue;
        Vec3 nu, nv;
        Tangents(s.normal, nu, nv);
        const double r = footprint * s.travelled;
        if (!(r > 0))
            continue;
        const double k = mod.normal;
        if (mod.normalMap) {
            const TexValue c = EvalTexture(scene_.nodes, mod.input, s.p, s.spot);
            const double a = std::clamp(k, -1.0, 1.0);
            const Vec3 bent = s.normal * (std::max(0.0, 1 - std::fabs(a)) + c.color.b) +
                              (nu * (2 * c.color.r - 1) + nv * (2 * c.color.g - 1)) * a;
            if (Dot(bent, bent) > 0)
                s.normal = Norm(bent);
            continue;
        }
        // The hit moved along the surface and mapped again.
        auto f = [&](const Vec3& shift) {
            TexSpot moved = s.spot;
            const Vec3 p = s.p + shift;
            moved.global = p;
            const Triangle& tri = scene_.triangles[s.triangle];
            double u = 0, v = 0;
            Barycentric(scene_, tri, p, u, v);
            const double w0 = 1 - u - v;
            if (tri.orco != kNoSlot) {
                const Vec3* o = &scene_.orcos[static_cast<size_t>(tri.orco) * 3];
                moved.orco = o[0] * w0 + o[1] * u + o[2] * v;
            } else {
                const ObjectInfo& info = scene_.objects[s.object];
                const Vec3 local = info.toObject.Point(p) - info.boxCentre;
                moved.orco = Vec3(local.x / info.boxHalf.x, local.y / info.boxHalf.y, local.z / info.boxHalf.z);
            }
            if (tri.uv != kNoSlot) {
                const float* t = &scene_.uvs[static_cast<size_t>(tri.uv) * 6];
                moved.uv = Vec3(2 * (t[0] * w0 + t[2] * u + t[4] * v) - 1, 1 - 2 * (t[1] * w0 + t[3] * u + t[5] * v), 0);
            }
            moved.window = WindowPosition(p);
            return EvalTexture(scene_.nodes, mod.input, p, moved).v;
        };
        tilt((f(nu * -r) - f(nu * r)) * k / r, (f(nv * -r) - f(nv * r)) * k / r, nu, nv);
    }
}

void Renderer::Modulate(Surface& s) const
{
    const Shader& sh = *s.shader;
    Material& m = s.m;
    for (const GenericModulator& mod : sh.genericModulators) {
        if (mod.color <= 0 && mod.specular <= 0 && mod.hard <= 0)
            continue;
        TexValue t;
        if (!EvalMapped(scene_.textures, mod.texture, mod.mapping, s.spot, t))
            continue;
        if (mod.color > 0)
            m.color = GenericBlend(mod.mode, m.color, t.color, mod.color);
        if (mod.specular > 0)
            m.specular = GenericBlend(mod.mode, m.specular, t.color, mod.specular);
        if (mod.hard > 0)
            m.hard = GenericBlend(mod.mode, m.hard, t.v, mod.hard);
    }
    double stencil = 1;
    for (const BlenderModulator& mod : sh.blenderModulators) {
        const TexValue t = EvalTexture(scene_.nodes, mod.input, s.p, s.spot);
        bool rgb = t.rgb;
        Color c = t.color;
        const double ta = t.alpha;
        double tin = rgb ? c.Energy() : t.v;
        if (rgb) {
            c = Clamped((c - Color(0.5)) * mod.contrast + Color(mod.brightness - 0.5)) * mod.filter;
            tin = c.Energy();
        } else {
            tin = std::clamp((tin - 0.5) * mod.contrast + mod.brightness - 0.5, 0.0, 1.0);
        }
        if (mod.noRgb && rgb) {
            tin = 0.35 * c.r + 0.45 * c.g + 0.2 * c.b;
            rgb = false;
        }
        if (mod.negative) {
            c = Color(1.0) - c;
            tin = 1 - tin;
        }
        const double colourFactor = (rgb ? ta : tin) * stencil;
        const Color tex = rgb ? c : mod.texcol;
        const double fc = colourFactor * mod.colfac;
        if (mod.color != 0)
            m.color = BlenderBlend(mod.mode, tex, m.color, fc, mod.colfac);
        if (mod.colspec != 0)
            m.specularColor = BlenderBlend(mod.mode, tex, m.specularColor, fc, mod.colfac);
        if (mod.colmir != 0)
            m.mirrorColor = BlenderBlend(mod.mode, tex, m.mirrorColor, fc, mod.colfac);
        const double valueFactor = (rgb ? (mod.useAlpha ? ta : 0.35 * c.r + 0.45 * c.g + 0.2 * c.b) : tin) * stencil;
        auto value = [&](int channel, double& target, double scale, double lo, double hi) {
            if (channel == 0)
                return;
            double f = valueFactor * mod.varfac;
            if (channel < 0)
                f = 1 - f;
            target = std::clamp(BlenderBlend(mod.mode, mod.defVar, target / scale, f, mod.varfac), lo, hi) * scale;
        };
        value(mod.difref, m.diffuseReflect, 1, 0, 1e300);
        value(mod.specular, m.specularAmount, 1, 0, 1e300);
        value(mod.hard, m.hard, 128, 0, 1e300);
        value(mod.alpha, m.alpha, 1, 0, 1);
        value(mod.emit, m.emit, 1, 0, 1e300);
        value(mod.raymir, m.reflectAmount, 1, 0, 1);
        if (mod.stencil)
            stencil *= rgb ? ta : tin;
    }
}

Color Renderer::TraceModulated(const Surface& s, bool reflection, const Color& traced) const
{
    Color out = traced;
    if (!s.textured)
        return out;
    for (const GenericModulator& mod : s.shader->genericModulators) {
        const double a = reflection ? mod.reflection : mod.transmission;
        TexValue t;
        if (a > 0 && EvalMapped(scene_.textures, mod.texture, mod.mapping, s.spot, t))
            out = GenericBlend(mod.mode, out, t.color, a);
    }
    return out;
}

Color Renderer::LightResponse(const Surface& s, const Vec3& l, const Color& e) const
{
    const Shader& sh = *s.shader;
    const Material& m = s.m;
    const double nl = Dot(s.n, l);
    if (sh.type == ShaderType::Blender) {
        if (nl <= 0 || sh.shadeless)
            return Color();
        double mirror = 0;
        if (sh.reflect) {
            double kr, kt;
            Fresnel(Dot(s.v, s.n), sh.ior, false, kr, kt);
            mirror = std::clamp(sh.fresnelOffset + kr, 0.0, 1.0) * m.reflectAmount;
        }
        Color out = m.color * (m.alpha * m.diffuseReflect * nl * (1 - mirror));
        if (m.specularAmount != 0) {
            const Vec3 h = Norm(l + s.v);
            out += m.specularColor * (m.specularAmount * std::pow(std::max(0.0, Dot(h, s.n)), m.hard));
        }
        return out * e;
    }
    if (nl < 0 || sh.type == ShaderType::Constant)
        return Color();
    Color out = m.color * nl;
    if (sh.type == ShaderType::Generic && !m.specular.IsBlack()) {
        const Vec3 r = s.n * (2 * Dot(s.v, s.n)) - s.v;
        out += m.specular * std::pow(std::max(0.0, Dot(r, l)), m.hard);
    }
    return out * e;
}

Color Renderer::Emission(const Surface& s) const
{
    switch (s.shader->type) {
    case ShaderType::Constant:
        return s.m.color;
    case ShaderType::Blender:
        return s.m.color * s.m.emit;
    default:
        return Color();
    }
}

Color Renderer::DiffuseColour(const Surface& s) const
{
    const Shader& sh = *s.shader;
    switch (sh.type) {
    case ShaderType::Generic:
    case ShaderType::Constant:
        return s.m.color;
    case ShaderType::Blender: {
        double mirror = 0;
        if (sh.reflect) {
            double kr, kt;
            Fresnel(Dot(s.v, s.n), sh.ior, false, kr, kt);
            mirror = std::clamp(sh.fresnelOffset + kr, 0.0, 1.0) * s.m.reflectAmount;
        }
        return s.m.color * (s.m.alpha * s.m.diffuseReflect * (1 - mirror));
    }
    default:
        return Color();
    }
}

} // namespace kelvane::rt
