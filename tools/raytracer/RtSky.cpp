// The sunsky background: the Preetham-Shirley-Smits daylight model with the renderer's
// luminance scale and its fades below the horizon.
#include <algorithm>
#include <cmath>

#include "raytracer/RtSurface.h"

namespace kelvane::rt {

void Renderer::SetUpSky()
{
    const Background& b = scene_.background;
    const double t = b.turbidity;
    Vec3 sun = Norm(b.sunDir);
    if (Dot(sun, sun) == 0)
        sun = Norm(Vec3(1, 1, 1));
    sunTheta_ = std::acos(std::clamp(sun.z, -1.0, 1.0));
    // A sun below the horizon is taken at the horizon for the model; the sky then fades.
    const double horizontal = std::hypot(sun.x, sun.y);
    sun_ = sunTheta_ <= kPi / 2 ? sun : horizontal > 0 ? Vec3(sun.x / horizontal, sun.y / horizontal, 0) : Vec3(1, 0, 0);
    nightFade_ = 1 - SmoothStep(kPi / 2, kPi, sunTheta_);
    const double ts = std::min(sunTheta_, kPi / 2);
    const double coef[3][5] = {
        {0.1787 * t - 1.4630, -0.3554 * t + 0.4275, -0.0227 * t + 5.3251, 0.1206 * t - 2.5771, -0.0670 * t + 0.3703},
        {-0.0193 * t - 0.2592, -0.0665 * t + 0.0008, -0.0004 * t + 0.2125, -0.0641 * t - 0.8989, -0.0033 * t + 0.0452},
        {-0.0167 * t - 0.2608, -0.0950 * t + 0.0092, -0.0079 * t + 0.2102, -0.0441 * t - 1.6537, -0.0109 * t + 0.0529}};
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 5; ++i)
            perez_[k][i] = coef[k][i] * b.perez[i];
    const double chi = (4.0 / 9.0 - t / 120.0) * (kPi - 2 * ts);
    // Zenith luminance in kcd/m2, scaled by 1000 / 15000.
    zenith_[0] = ((4.0453 * t - 4.9710) * std::tan(chi) - 0.2155 * t + 2.4192) * 1000.0 / 15000.0;
    const double t2 = ts * ts, t3 = t2 * ts;
    zenith_[1] = t * t * (0.00166 * t3 - 0.00375 * t2 + 0.00209 * ts) +
                 t * (-0.02903 * t3 + 0.06377 * t2 - 0.03202 * ts + 0.00394) +
                 (0.11693 * t3 - 0.21196 * t2 + 0.06052 * ts + 0.25886);
    zenith_[2] = t * t * (0.00275 * t3 - 0.00610 * t2 + 0.00317 * ts) +
                 t * (-0.04214 * t3 + 0.08970 * t2 - 0.04153 * ts + 0.00516) +
                 (0.15346 * t3 - 0.26756 * t2 + 0.06670 * ts + 0.26688);
}

Color Renderer::BackgroundColor(const Vec3& dir) const
{
    const Background& b = scene_.background;
    if (b.type == BackgroundType::Constant)
        return b.color;
    if (b.type != BackgroundType::Sunsky)
        return Color();
    Vec3 d = Norm(dir);
    double fade = nightFade_;
    if (d.z < 0) {
        // Below the horizon: the horizon of the same azimuth, its direction left unnormalised,
        // fading to black straight down.
        fade *= 1 - SmoothStep(kPi / 2, kPi, std::acos(std::max(d.z, -1.0)));
        d.z = 0;
    }
    const double cosTheta = std::max(d.z, 0.001);
    const double gamma = std::acos(std::clamp(Dot(d, sun_), -1.0, 1.0));
    const double ts = std::min(sunTheta_, kPi / 2);
    double value[3];
    for (int k = 0; k < 3; ++k) {
        const double* p = perez_[k];
        const double num = (1 + p[0] * std::exp(p[1] / cosTheta)) *
                           (1 + p[2] * std::exp(p[3] * gamma) + p[4] * std::cos(gamma) * std::cos(gamma));
        const double den = (1 + p[0] * std::exp(p[1])) * (1 + p[2] * std::exp(p[3] * ts) + p[4] * std::cos(ts) * std::cos(ts));
        value[k] = den != 0 ? zenith_[k] * num / den : 0;
    }
    const double Y = value[0], x = value[1], y = value[2];
    if (!(y > 0) || !std::isfinite(Y))
        return Color();
    const double X = x / y * Y, Z = (1 - x - y) / y * Y;
    const Color rgb{3.2406 * X - 1.5372 * Y - 0.4986 * Z, -0.9689 * X + 1.8758 * Y + 0.0415 * Z,
                    0.0557 * X - 0.2040 * Y + 1.0570 * Z};
    return Color(std::max(0.0, rgb.r), std::max(0.0, rgb.g), std::max(0.0, rgb.b)) * fade;
}

} // namespace kelvane::rt
