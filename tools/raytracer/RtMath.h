#pragma once
// Vectors, colours and 4 x 4 matrices of the ray tracer.
#include <algorithm>
#include <cmath>

namespace kelvane::rt {

struct Vec3 {
    double x = 0, y = 0, z = 0;
    constexpr Vec3() = default;
    constexpr Vec3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
    constexpr double operator[](int i) const { return i == 0 ? x : i == 1 ? y : z; }
    Vec3& operator+=(const Vec3& o) { x += o.x; y += o.y; z += o.z; return *this; }
    Vec3& operator-=(const Vec3& o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
    Vec3& operator*=(double s) { x *= s; y *= s; z *= s; return *this; }
};

inline Vec3 operator+(Vec3 a, const Vec3& b) { return a += b; }
inline Vec3 operator-(Vec3 a, const Vec3& b) { return a -= b; }
inline Vec3 operator-(const Vec3& a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(Vec3 a, double s) { return a *= s; }
inline Vec3 operator*(double s, Vec3 a) { return a *= s; }
inline double Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(const Vec3& a, const Vec3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Length(const Vec3& a) { return std::sqrt(Dot(a, a)); }
// Unit vector; the zero vector stays zero.
inline Vec3 Norm(const Vec3& a)
{
    const double l = Length(a);
    return l > 0 ? a * (1.0 / l) : a;
}
inline Vec3 Min(const Vec3& a, const Vec3& b) { return {std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)}; }
inline Vec3 Max(const Vec3& a, const Vec3& b) { return {std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)}; }

// Linear RGB; nothing clamps it before the output stage.
struct Color {
    double r = 0, g = 0, b = 0;
    constexpr Color() = default;
    constexpr Color(double r_, double g_, double b_) : r(r_), g(g_), b(b_) {}
    constexpr explicit Color(double v) : r(v), g(v), b(v) {}
    Color& operator+=(const Color& o) { r += o.r; g += o.g; b += o.b; return *this; }
    Color& operator*=(const Color& o) { r *= o.r; g *= o.g; b *= o.b; return *this; }
    Color& operator*=(double s) { r *= s; g *= s; b *= s; return *this; }
    bool IsBlack() const { return r == 0 && g == 0 && b == 0; }
    double Max() const { return std::max(r, std::max(g, b)); }
    double Energy() const { return (r + g + b) / 3; }
};

inline Color operator+(Color a, const Color& b) { return a += b; }
inline Color operator-(const Color& a, const Color& b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Color operator*(Color a, const Color& b) { return a *= b; }
inline Color operator*(Color a, double s) { return a *= s; }
inline Color operator*(double s, Color a) { return a *= s; }

// Row-major 4 x 4 matrix; points are column vectors and row 3 is never used.
struct Mat4 {
    double m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

    Vec3 Point(const Vec3& p) const
    {
        return {m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z + m[0][3],
                m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z + m[1][3],
                m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + m[2][3]};
    }
    // The linear part alone, for directions.
    Vec3 Direction(const Vec3& d) const
    {
        return {m[0][0] * d.x + m[0][1] * d.y + m[0][2] * d.z, m[1][0] * d.x + m[1][1] * d.y + m[1][2] * d.z,
                m[2][0] * d.x + m[2][1] * d.y + m[2][2] * d.z};
    }
    bool IsIdentity() const
    {
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                if (m[r][c] != (r == c ? 1.0 : 0.0))
                    return false;
        return true;
    }
};

inline Mat4 operator*(const Mat4& a, const Mat4& b)
{
    Mat4 out;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            double s = 0;
            for (int k = 0; k < 4; ++k)
                s += a.m[r][k] * b.m[k][c];
            out.m[r][c] = s;
        }
    return out;
}

// The inverse of the affine part (rows 0 to 2); the identity when it is singular.
inline Mat4 AffineInverse(const Mat4& a)
{
    const auto& m = a.m;
    const double c00 = m[1][1] * m[2][2] - m[1][2] * m[2][1], c01 = m[0][2] * m[2][1] - m[0][1] * m[2][2];
    const double c02 = m[0][1] * m[1][2] - m[0][2] * m[1][1], c10 = m[1][2] * m[2][0] - m[1][0] * m[2][2];
    const double c11 = m[0][0] * m[2][2] - m[0][2] * m[2][0], c12 = m[0][2] * m[1][0] - m[0][0] * m[1][2];
    const double c20 = m[1][0] * m[2][1] - m[1][1] * m[2][0], c21 = m[0][1] * m[2][0] - m[0][0] * m[2][1];
    const double c22 = m[0][0] * m[1][1] - m[0][1] * m[1][0];
    const double det = m[0][0] * c00 + m[0][1] * c10 + m[0][2] * c20;
    Mat4 out;
    if (!(std::fabs(det) > 1e-300) || !std::isfinite(det))
        return out;
    const double inv = 1 / det;
    const double r[3][3] = {{c00 * inv, c01 * inv, c02 * inv}, {c10 * inv, c11 * inv, c12 * inv}, {c20 * inv, c21 * inv, c22 * inv}};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            out.m[i][j] = r[i][j];
        out.m[i][3] = -(r[i][0] * m[0][3] + r[i][1] * m[1][3] + r[i][2] * m[2][3]);
    }
    return out;
}

} // namespace kelvane::rt
