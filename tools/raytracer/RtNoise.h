#pragma once
// The lattice and cell noises behind the procedural textures, on the renderer's fixed tables.
#include <cstdint>
#include <string_view>

#include "raytracer/RtMath.h"

namespace kelvane::rt {

enum class NoiseBasis {
    Improved,   // the default: Perlin's 2002 structure on the fixed permutation
    StdPerlin,  // Perlin's 1985 gradient noise
    Blender,    // the modeller's original noise
    Cell,       // one random value per unit cube
    VoronoiF1,
    VoronoiF2,
    VoronoiF3,
    VoronoiF4,
    VoronoiF2F1,
    VoronoiCrackle,
};

// The basis a `noise_type` word names; unknown words and an empty one give the default.
NoiseBasis NoiseBasisNamed(std::string_view word);

// The basis at p, about 0 ... 1 (StdPerlin is not clamped and may leave that range a little).
double Noise(NoiseBasis basis, const Vec3& p);
// The basis made signed: 2 n - 1.
inline double SignedNoise(NoiseBasis basis, const Vec3& p) { return 2 * Noise(basis, p) - 1; }

// Octaves 0 ... depth of the basis at (p [+ (1, 1, 1) for Blender]) * size, halving in weight and
// doubling in frequency, |2n - 1| in place of n when hard; normalised to the basis' range.
double Turbulence(NoiseBasis basis, const Vec3& p, int depth, double size, bool hard);

enum class DistanceMetric { Real, Squared, Manhattan, Chebychev, MinkovskyHalf, MinkovskyFour, Minkovsky };
DistanceMetric DistanceMetricNamed(std::string_view word);

// Distances to the four nearest feature points (one per unit cell) under the metric, nearest
// first, with the points themselves.
void Worley(const Vec3& p, DistanceMetric metric, double exponent, double distance[4], Vec3 point[4]);

// A repeatable value in [0, 1) for a cell and a channel, from the cell hash.
double CellValue(int64_t ix, int64_t iy, int64_t iz, uint32_t channel = 0);

// The gradient table entry k (unit length within 0.00006).
Vec3 GradientEntry(int k);
// The permutation table entry k.
int PermutationEntry(int k);

} // namespace kelvane::rt
