#include "raytracer/RtTexture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kelvane::rt {

namespace {

constexpr double kPi = 3.14159265358979323846;

double Frac(double v) { return v - std::floor(v); }

double Finite(double v) { return std::isfinite(v) ? v : 0.0; }

double Shape(double w, int shape)
{
    switch (shape) {
    case 1:
        return Frac(w / (2 * kPi));
    case 2:
        return std::fabs(2 * Frac(w / (2 * kPi)) - 1);
    default:
        return 0.5 + 0.5 * std::sin(w);
    }
}

double Musgrave(const Texture& t, Vec3 p)
{
    const NoiseBasis b = t.basis;
    const double octaves = std::clamp(t.octaves, 0.0, 24.0);
    const int whole = static_cast<int>(octaves);
    const double rest = octaves - whole;
    const double step = std::pow(t.lacunarity, -t.h);
    double weightOfOctave = 1;
    switch (t.musgrave) {
    case 1: {  // multifractal
        double value = 1;
        for (int i = 0; i < whole; ++i) {
            value *= weightOfOctave * SignedNoise(b, p) + 1;
            weightOfOctave *= step;
            p *= t.lacunarity;
        }
        if (rest != 0)
            value *= rest * SignedNoise(b, p) * weightOfOctave + 1;
        return value;
    }
    case 2: {  // hetero terrain
        double value = t.offset + SignedNoise(b, p);
        p *= t.lacunarity;
        for (int i = 1; i < whole; ++i) {
            weightOfOctave *= step;
            value += (SignedNoise(b, p) + t.offset) * weightOfOctave * value;
            p *= t.lacunarity;
        }
        if (rest != 0)
            value += rest * (SignedNoise(b, p) + t.offset) * weightOfOctave * step * value;
        return value;
    }
    case 3: {  // hybrid multifractal
        double result = SignedNoise(b, p) + t.offset;
        double weight = t.gain * result;
        p *= t.lacunarity;
        for (int i = 1; weight > 0.001 && i < whole; ++i) {
            weight = std::min(weight, 1.0);
            weightOfOctave *= step;
            const double signal = (SignedNoise(b, p) + t.offset) * weightOfOctave;
            result += weight * signal;
            weight *= t.gain * signal;
            p *= t.lacunarity;
        }
        if (rest != 0)
            result += rest * (SignedNoise(b, p) + t.offset) * weightOfOctave * step;
        return result;
    }
    case 4: {  // ridged multifractal
        double signal = t.offset - std::fabs(SignedNoise(b, p));
        signal *= signal;
        double result = signal;
        for (int i = 1; i < whole; ++i) {
            p *= t.lacunarity;
            const double weight = std::clamp(signal * t.gain, 0.0, 1.0);
            signal = t.offset - std::fabs(SignedNoise(b, p));
            signal *= signal * weight;
            weightOfOctave *= step;
            result += signal * weightOfOctave;
        }
        return result;
    }
    default: {  // fBm
        double value = 0;
        for (int i = 0; i < whole; ++i) {
            value += SignedNoise(b, p) * weightOfOctave;
            weightOfOctave *= step;
            p *= t.lacunarity;
        }
        if (rest != 0)
            value += rest * SignedNoise(b, p) * weightOfOctave;
        return value;
    }
    }
}

// The float of a procedural texture at p; colour for the voronoi colour types.
double Procedural(const Texture& t, const Vec3& p, Color* cellColour)
{
    switch (t.type) {
    case TextureType::Clouds: {
        const double v = Turbulence(t.basis, p, t.depth, t.size, t.hard);
        return t.bias > 0 ? -v * v : t.bias < 0 ? v * v : v;
    }
    case TextureType::Marble: {
        double w = 5 * (p.x + p.y + p.z);
        if (t.turbulence != 0)
            w += t.turbulence * Turbulence(t.basis, p, t.depth, t.size, t.hard);
        const double s = Shape(w, t.shape);
        return t.sharpness > 1 ? std::pow(s, 1 / t.sharpness) : s;
    }
    case TextureType::Wood: {
        double w = t.rings ? 20 * Length(p) : 10 * (p.x + p.y + p.z);
        if (t.turbulence != 0)
            w += t.turbulence * Turbulence(t.basis, p, t.depth, t.size, t.hard);
        return Shape(w, t.shape);
    }
    case TextureType::Gradient: {
        const double x = t.flipXY ? p.y : p.x, y = t.flipXY ? p.x : p.y;
        switch (t.gradient) {
        case 1: {
            const double v = std::max(0.0, (1 + x) / 2);
            return v * v;
        }
        case 2: {
            const double v = std::clamp((1 + x) / 2, 0.0, 1.0);
            return v * v * (3 - 2 * v);
        }
        case 3:
            return (2 + x + y) / 4;
        case 4:
            return std::max(0.0, 1 - Length(p));
        case 5: {
            const double v = std::max(0.0, 1 - Length(p));
            return v * v;
        }
        case 6:
            return std::atan2(y, x) / (2 * kPi) + 0.5;
        default:
            return (1 + x) / 2;
        }
    }
    case TextureType::Musgrave:
        return t.intensity * Musgrave(t, p * t.size);
    case TextureType::DistortedNoise: {
        const Vec3 q = p * t.size;
        const Vec3 offset(SignedNoise(t.basis, q + Vec3(13.5, 13.5, 13.5)), SignedNoise(t.basis, q),
                          SignedNoise(t.basis, q - Vec3(13.5, 13.5, 13.5)));
        return SignedNoise(t.basis2, q + offset * t.distort);
    }
    case TextureType::Voronoi: {
        double d[4];
        Vec3 at[4];
        Worley(p * t.size, t.metric, t.mkExponent, d, at);
        double weightSum = 0, v = 0;
        for (int i = 0; i < 4; ++i) {
            weightSum += std::fabs(t.weights[i]);
            v += t.weights[i] * d[i];
        }
        const double scale = weightSum != 0 ? t.intensity / weightSum : 0;
        v = scale * std::fabs(v);
        if (t.voronoiColor != 0 && cellColour) {
            Color c;
            for (int i = 0; i < 4; ++i) {
                const int64_t x = static_cast<int64_t>(std::floor(Finite(at[i].x))), y = static_cast<int64_t>(std::floor(Finite(at[i].y)));
                const int64_t z = static_cast<int64_t>(std::floor(Finite(at[i].z)));
                c += Color(CellValue(x, y, z, 4), CellValue(x, y, z, 5), CellValue(x, y, z, 6)) * t.weights[i];
            }
            c *= scale;
            if (t.voronoiColor == 2)
                c *= v;
            else if (t.voronoiColor == 3)
                c *= std::min(1.0, 10 * (d[1] - d[0])) * v;
            *cellColour = c;
        }
        return v;
    }
    case TextureType::RandomNoise: {
        uint64_t bits = 0x9E3779B97F4A7C15ull;
        for (int k = 0; k < 3; ++k) {
            const double c = p[k];
            uint64_t word = 0;
            std::memcpy(&word, &c, sizeof word);
            bits = (bits ^ word) * 0xBF58476D1CE4E5B9ull;
            bits ^= bits >> 29;
        }
        return static_cast<double>(bits >> 11) * (1.0 / 9007199254740992.0);
    }
    default:
        return 0;
    }
}

bool IsRgbNode(const std::vector<Texture>& table, int index, int depth)
{
    if (index < 0 || index >= static_cast<int>(table.size()) || depth > 32)
        return false;
    const Texture& t = table[static_cast<size_t>(index)];
    switch (t.type) {
    case TextureType::Image:
    case TextureType::Colorband:
        return true;
    case TextureType::Mapper:
        return IsRgbNode(table, t.input, depth + 1);
    case TextureType::Clouds:
        return t.colorType == 1 || (t.input1 >= 0 && t.input2 >= 0);
    case TextureType::Voronoi:
        return t.voronoiColor != 0 || (t.input1 >= 0 && t.input2 >= 0);
    default:
        return t.input1 >= 0 && t.input2 >= 0;
    }
}

} // namespace

void LookupPicture(const PictureData& picture, double x, double y, Interpolation mode, double rgba[4])
{
    const int w = picture.width, h = picture.height;
    for (int k = 0; k < 4; ++k)
        rgba[k] = 0;
    if (w <= 0 || h <= 0)
        return;
    double X = w * Frac(Finite(x)), Y = h * Frac(Finite(y));
    auto at = [&](int i, int j) { return &picture.rgba[(static_cast<size_t>(std::clamp(j, 0, h - 1)) * w + std::clamp(i, 0, w - 1)) * 4]; };
    if (mode == Interpolation::None) {
        const float* c = at(static_cast<int>(X), static_cast<int>(Y));
        for (int k = 0; k < 4; ++k)
            rgba[k] = c[k];
        return;
    }
    X -= 0.5;
    Y -= 0.5;
    const int i = std::clamp(static_cast<int>(X), 0, w - 1), j = std::clamp(static_cast<int>(Y), 0, h - 1);
    const double dx = X - std::floor(X), dy = Y - std::floor(Y);
    if (mode == Interpolation::Bilinear) {
        const int i2 = std::min(i + 1, w - 1), j2 = std::min(j + 1, h - 1);
        const float *a = at(i, j), *b = at(i2, j), *c = at(i, j2), *d = at(i2, j2);
        for (int k = 0; k < 4; ++k)
            rgba[k] = (1 - dx) * (1 - dy) * a[k] + dx * (1 - dy) * b[k] + (1 - dx) * dy * c[k] + dx * dy * d[k];
        return;
    }
    auto cubic = [](double t, double c0, double c1, double c2, double c3) {
        const double d1 = c2 - 2 * c1 + c0, d2 = c3 - 2 * c2 + c1, s = 1 - t;
        return s * c1 + t * c2 + ((4 * d2 - d1) * (t * t * t - t) + (4 * d1 - d2) * (s * s * s - s)) / 15;
    };
    for (int k = 0; k < 4; ++k) {
        double rows[4];
        for (int r = 0; r < 4; ++r)
            rows[r] = cubic(dx, at(i - 1, j - 1 + r)[k], at(i, j - 1 + r)[k], at(i + 1, j - 1 + r)[k], at(i + 2, j - 1 + r)[k]);
        rgba[k] = cubic(dy, rows[0], rows[1], rows[2], rows[3]);
    }
}

bool MapSpot(const TextureMapping& m, const TexSpot& s, bool picture, Vec3& out)
{
    Vec3 c;
    bool direction = false;
    switch (m.texco) {
    case TexCo::Uv:
        c = s.uv;
        break;
    case TexCo::Global:
        c = s.global;
        break;
    case TexCo::Window:
        c = s.window;
        break;
    case TexCo::Normal:
        c = s.normal;
        direction = true;
        break;
    case TexCo::Reflect:
        c = s.reflect;
        direction = true;
        break;
    case TexCo::Orco:
        c = s.orco;
        break;
    }
    if (m.hasMatrix)
        c = direction ? m.matrix.Direction(c) : m.matrix.Point(c);
    Vec3 q;
    for (int k = 0; k < 3; ++k)
        (k == 0 ? q.x : k == 1 ? q.y : q.z) = m.proj[k] < 0 ? 0.0 : c[m.proj[k]];
    if (!picture) {
        out = Vec3(m.size.x * (q.x + m.offset.x), m.size.y * (q.y + m.offset.y), m.size.z * (q.z + m.offset.z));
        return true;
    }
    double x = 0, y = 0;
    switch (m.mapping) {
    case ImageMapping::Cube: {
        Vec3 n = m.texco == TexCo::Global || m.texco == TexCo::Reflect ? s.cubeNormal : s.cubeNormalObject;
        if (m.hasMatrix && m.texco == TexCo::Global)
            n = m.matrix.Direction(n);
        const double ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
        if (ax >= ay && ax >= az) {
            x = (q.y + 1) / 2;
            y = (1 - q.z) / 2;
        } else if (ay >= az) {
            x = (q.x + 1) / 2;
            y = (1 - q.z) / 2;
        } else {
            x = (q.x + 1) / 2;
            y = (1 - q.y) / 2;
        }
        break;
    }
    case ImageMapping::Tube:
        x = q.x == 0 && q.y == 0 ? 0 : 0.5 * (1 - std::atan2(q.x, q.y) / kPi);
        y = 1 - (q.z + 1) / 2;
        break;
    case ImageMapping::Sphere: {
        x = q.x == 0 || q.y == 0 ? 0 : 0.5 * (1 - std::atan2(q.x, q.y) / kPi);
        const double len = Length(q);
        y = len > 0 ? std::acos(std::clamp(q.z / len, -1.0, 1.0)) / kPi : 0;
        break;
    }
    case ImageMapping::Flat:
        x = (q.x + 1) / 2;
        y = (1 - q.y) / 2;
        break;
    }
    if (!m.mapper || m.clipping == Clipping::Repeat) {
        if (m.xrepeat > 1)
            x = Frac(x * m.xrepeat);
        if (m.yrepeat > 1)
            y = Frac(y * m.yrepeat);
    }
    x = m.cropMin[0] + x * (m.cropMax[0] - m.cropMin[0]);
    y = m.cropMin[1] + y * (m.cropMax[1] - m.cropMin[1]);
    if (m.rot90) {
        const double nx = -m.size.y * (y - 0.5) + m.offset.y + 0.5;
        y = -m.size.x * (x - 0.5) - m.offset.x + 0.5;
        x = nx;
    } else {
        x = m.size.x * (x - 0.5) + m.offset.x + 0.5;
        y = m.size.y * (y - 0.5) - m.offset.y + 0.5;
    }
    switch (m.clipping) {
    case Clipping::Extend: {
        const double top = m.mapper ? 0.99999 : 1.0;
        x = std::clamp(x, 0.0, top);
        y = std::clamp(y, 0.0, top);
        break;
    }
    case Clipping::ClipCube:
        if (std::fabs(q.z) > 1)
            return false;
        [[fallthrough]];
    case Clipping::Clip:
        if (!(x >= 0 && x <= 1 && y >= 0 && y <= 1))
            return false;
        break;
    case Clipping::Checker: {
        const double fx = std::floor(Finite(x)), fy = std::floor(Finite(y));
        const bool odd = std::fmod(std::fabs(fx + fy), 2.0) == 1.0;
        if (odd ? !m.checkerOdd : !m.checkerEven)
            return false;
        x -= fx;
        y -= fy;
        if (m.checkerDist > 0 && m.checkerDist < 1) {
            x /= 1 - m.checkerDist;
            y /= 1 - m.checkerDist;
            if (x > 1 || y > 1)
                return false;
        }
        break;
    }
    case Clipping::Repeat:
        break;
    }
    out = Vec3(x, y, q.z);
    return true;
}

TexValue EvalTexture(const std::vector<Texture>& table, int index, const Vec3& p, const TexSpot& spot, int depth)
{
    TexValue out;
    if (index < 0 || index >= static_cast<int>(table.size()) || depth > 32)
        return out;
    const Texture& t = table[static_cast<size_t>(index)];
    switch (t.type) {
    case TextureType::Image: {
        out.rgb = true;
        if (!t.picture) {
            out.alpha = 0;
            return out;
        }
        double c[4];
        LookupPicture(*t.picture, p.x, p.y, t.interpolation, c);
        out.color = Color(c[0], c[1], c[2]);
        out.alpha = c[3];
        out.v = (c[0] + c[1] + c[2]) / 3;
        return out;
    }
    case TextureType::Mapper: {
        Vec3 q;
        const bool picture = t.input >= 0 && t.input < static_cast<int>(table.size()) &&
                             table[static_cast<size_t>(t.input)].type == TextureType::Image;
        if (!MapSpot(t.mapping, spot, picture, q)) {
            out.alpha = 0;
            out.rgb = IsRgbNode(table, t.input, depth + 1);
            return out;
        }
        return EvalTexture(table, t.input, q, spot, depth + 1);
    }
    case TextureType::Colorband: {
        out.rgb = true;
        if (t.input < 0 || t.stops.empty())
            return out;
        const double f = EvalTexture(table, t.input, p, spot, depth + 1).v;
        const BandStop* lo = &t.stops.front();
        const BandStop* hi = lo;
        if (f >= t.stops.back().at) {
            lo = hi = &t.stops.back();
        } else if (f > lo->at) {
            for (size_t i = 0; i + 1 < t.stops.size(); ++i)
                if (t.stops[i].at <= f && f < t.stops[i + 1].at) {
                    lo = &t.stops[i];
                    hi = &t.stops[i + 1];
                    break;
                }
        }
        const double span = hi->at - lo->at;
        const double w = span > 0 ? (f - lo->at) / span : 0;
        out.color = lo->color * (1 - w) + hi->color * w;
        out.alpha = lo->alpha * (1 - w) + hi->alpha * w;
        out.v = out.color.Energy();
        return out;
    }
    case TextureType::Unsupported:
        return out;
    default:
        break;
    }
    Color cell;
    const double v = Procedural(t, p, &cell);
    out.v = v;
    if (!t.node) {
        out.rgb = true;
        out.color = t.type == TextureType::Voronoi && t.voronoiColor != 0 ? cell : t.color1 + (t.color2 - t.color1) * v;
        return out;
    }
    if (t.input1 >= 0 && t.input2 >= 0) {
        out.rgb = true;
        out.color = EvalTexture(table, t.input1, p, spot, depth + 1).color * v +
                    EvalTexture(table, t.input2, p, spot, depth + 1).color * (1 - v);
        return out;
    }
    if (t.type == TextureType::Clouds && t.colorType == 1) {
        out.rgb = true;
        out.color = Color(v, Procedural(t, Vec3(p.y, p.x, p.z), nullptr), Procedural(t, Vec3(p.y, p.z, p.x), nullptr));
        return out;
    }
    if (t.type == TextureType::Voronoi && t.voronoiColor != 0) {
        out.rgb = true;
        out.color = cell;
        return out;
    }
    out.color = Color(v);
    out.alpha = v;
    return out;
}

bool EvalMapped(const std::vector<Texture>& table, int index, const TextureMapping& map, const TexSpot& spot,
                TexValue& out, Vec3* mapped)
{
    if (index < 0 || index >= static_cast<int>(table.size()))
        return false;
    Vec3 q;
    if (!MapSpot(map, spot, table[static_cast<size_t>(index)].type == TextureType::Image, q))
        return false;
    if (mapped)
        *mapped = q;
    out = EvalTexture(table, index, q, spot);
    return true;
}

} // namespace kelvane::rt
