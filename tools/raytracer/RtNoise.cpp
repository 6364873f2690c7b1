#include "raytracer/RtNoise.h"

#include <algorithm>
#include <cmath>

#include "raytracer/RtNames.h"

namespace kelvane::rt {

namespace {

// The permutation of the lattice noises.
constexpr uint8_t kPerm[256] = {
    162, 160, 25, 59, 248, 235, 170, 238, 243, 28, 103, 40, 29, 237, 0, 222,
    149, 46, 220, 63, 58, 130, 53, 77, 108, 186, 54, 208, 246, 12, 121, 50,
    209, 89, 244, 8, 139, 99, 137, 47, 184, 180, 151, 131, 242, 143, 24, 199,
    81, 20, 101, 135, 72, 32, 66, 168, 128, 181, 64, 19, 178, 34, 126, 87,
    188, 127, 107, 157, 134, 76, 200, 219, 124, 213, 37, 78, 90, 85, 116, 80,
    205, 179, 122, 187, 195, 203, 182, 226, 228, 236, 253, 152, 11, 150, 211, 158,
    92, 161, 100, 241, 129, 97, 225, 196, 36, 114, 73, 140, 144, 75, 132, 52,
    56, 171, 120, 202, 31, 1, 215, 147, 17, 193, 88, 169, 49, 249, 68, 109,
    191, 51, 156, 95, 9, 148, 163, 133, 6, 198, 154, 30, 123, 70, 21, 48,
    39, 43, 27, 113, 60, 91, 214, 111, 98, 172, 79, 194, 192, 14, 177, 35,
    167, 223, 71, 176, 119, 105, 5, 233, 230, 231, 118, 115, 15, 254, 110, 155,
    86, 239, 18, 165, 55, 252, 174, 217, 3, 142, 221, 16, 185, 206, 201, 141,
    218, 42, 189, 104, 23, 159, 190, 212, 10, 204, 210, 232, 67, 61, 112, 183,
    2, 125, 153, 216, 13, 96, 138, 4, 44, 62, 146, 229, 175, 83, 7, 224,
    41, 166, 197, 227, 245, 247, 74, 65, 38, 106, 22, 94, 82, 45, 33, 173,
    240, 145, 255, 234, 84, 250, 102, 26, 69, 57, 207, 117, 164, 136, 251, 93,
};

// The gradient vectors of the lattice noises, each component times 10^6.
constexpr int32_t kGrad[256][3] = {
    {337830, 715698, -611206}, {-944031, -326599, -45624}, {-101074, -416443, -903503}, {799286, 494110, -341949},
    {-854645, 518036, 33936}, {425140, -437866, -792114}, {-358948, 597046, 717377}, {-985413, 144714, 89294},
    {-601776, -337280, -723907}, {-449921, 594513, 666382}, {208313, -107910, 972076}, {575317, 60425, 815643},
    {293365, -875702, -383453}, {293762, 465759, 834686}, {-846008, -233398, -479340}, {-115814, 143036, -982910},
    {204681, -949036, -239532}, {946716, -263947, 184326}, {-235596, 573822, 784332}, {203705, -372253, -905487},
    {756989, -651031, 55298}, {497803, 814697, -297363}, {-162140, 63995, -984680}, {-329254, 834381, 441925},
    {703827, -527039, -476227}, {956421, 266113, 119781}, {480133, 482849, 732300}, {-186310, 961212, -203125},
    {-748474, -656921, -90393}, {-85052, -165253, 982544}, {-769470, 628174, -115234}, {383148, 537659, 751068},
    {616486, -668488, -415924}, {-259979, -630005, 731750}, {570953, -87952, 816223}, {-458008, 23254, 888611},
    {-196167, 976563, -88287}, {-263885, -698120, -665527}, {437134, -892273, -112793}, {-621674, -230438, 748566},
    {232422, 900574, -367249}, {222290, -796143, 562744}, {-665497, -737640, 113770}, {670135, 704803, 232605},
    {895599, 429749, -114655}, {-115570, -474243, 872742}, {621826, 604004, -498444}, {-832214, 12756, 554260},
    {-702484, 705994, -89661}, {-692017, 649292, 315399}, {-175995, -977997, 111877}, {96954, -49530, 994019},
    {635284, -606689, -477783}, {-261261, -607422, -750153}, {983276, 165436, 75958}, {-298370, 404083, -864655},
    {-638672, 507721, 578156}, {388214, 412079, 824249}, {556183, -208832, 804352}, {778442, 562012, 279510},
    {-616577, 781921, -91522}, {196289, 51056, 979187}, {-121216, 207153, -970734}, {-173401, -384735, 906555},
    {161499, -723236, -671387}, {178497, -6226, -983887}, {-126038, 157990, 979340}, {830475, -24811, 556458},
    {-510132, -769440, 384247}, {814240, 200104, -544891}, {-112549, -393311, -912445}, {561890, 152222, -813049},
    {198914, -254517, -946381}, {-412170, 690979, -593811}, {-407257, 324524, 853668}, {-690186, 366119, -624115},
    {-428345, 844147, -322296}, {-212280, -297546, -930756}, {-273071, 516113, 811798}, {928314, 371643, 7233},
    {785828, -479218, -390778}, {-704895, 58929, 706818}, {173248, 203583, 963562}, {422211, -904297, -62469},
    {-363312, -182465, 913605}, {254028, -552307, -793945}, {-288910, -765747, -574554}, {58319, 291382, 954803},
    {946136, -303925, 111267}, {-78156, 443695, -892731}, {182098, 893890, 409515}, {-680298, -213318, 701141},
    {62469, 848389, -525635}, {-728790, -641846, 238342}, {-880890, 427673, 202637}, {-532501, -214050, 818878},
    {948975, -305084, 79620}, {925446, 374664, 55817}, {820923, 565491, 79102}, {258820, 99792, -960724},
    {-294617, 910522, 289978}, {137115, 320038, -937408}, {-908386, 345276, -235718}, {-936218, 138763, 322754},
    {366577, 925934, -90637}, {309296, -686829, -657684}, {669830, 24445, 742065}, {-917999, -59113, -392059},
    {365509, 462158, -807922}, {83374, 996399, -14801}, {593842, 253143, -763672}, {974976, -165466, 148285},
    {918976, 137299, 369537}, {294952, 694977, 655731}, {943085, 152618, -295319}, {587830, -598236, 544495},
    {203796, 678223, 705994}, {-478821, -661011, 577667}, {719055, -169800, -673828}, {-132172, -965332, 225006},
    {-981873, -145020, 121979}, {763458, 579742, 284546}, {-893188, 79681, 442474}, {-795776, -523804, 303802},
    {734955, 678040, -7446}, {155060, 986267, -56183}, {258026, 571503, -778931}, {-681549, -702087, -206116},
    {-962860, -177185, 203613}, {-470978, -515106, 716095}, {-740326, 571350, 354095}, {-560120, -824982, -74982},
    {-507874, 753204, 417969}, {-503113, 38147, 863342}, {594025, 673553, -439758}, {-119873, -5524, -992737},
    {98267, -213776, 971893}, {-615631, 643951, 454163}, {896851, -441071, 32166}, {-555023, 750763, -358093},
    {398773, 304688, 864929}, {-722961, 303589, 620544}, {-635590, -621948, -457306}, {-293243, 72327, 953278},
    {-491638, 661041, -566772}, {-304199, -572083, -761688}, {908081, -398956, 127014}, {-523621, -549683, -650848},
    {-932922, -199860, 299408}, {99426, 140869, 984985}, {-20325, -999756, -2319}, {952667, 280853, -116150},
    {-971893, 82581, 220337}, {659210, 705292, -260651}, {733063, -175537, 657043}, {-555206, 429504, -712189},
    {400421, -898590, 179352}, {750885, -196960, 630341}, {785675, -569336, 241821}, {-58899, -464111, 883789},
    {129608, -945190, 299622}, {-357819, 907654, 219238}, {-842133, -439117, -312927}, {-313477, 844330, 434479},
    {-241211, 53253, 968994}, {63873, 823273, 563965}, {476288, 862152, -172516}, {620941, -298126, 724915},
    {252380, -749359, -612122}, {-577545, 386566, 718994}, {-406342, -737976, 538696}, {47180, 556305, 829590},
    {-802856, 587463, 101166}, {-707733, -705963, 26428}, {374908, 684570, 625092}, {472137, 208405, -856506},
    {-703064, -581085, -409821}, {-417206, -736328, 532623}, {-447876, -202850, -870728}, {86945, -990417, 107086},
    {183685, 18341, -982788}, {560638, -428864, 708282}, {296722, -952576, -67200}, {135773, 990265, 30243},
    {-68787, 654724, 752686}, {762604, -551758, 337585}, {-819611, -407684, 402466}, {-727844, -550720, -408539},
    {-855774, -480011, 192810}, {693176, -79285, 716339}, {226013, 650116, -725433}, {246704, 953369, -173553},
    {-970398, -239227, -32440}, {136383, -394318, 908752}, {813232, 558167, 164368}, {404510, 549042, -731323},
    {-380249, -566711, 730865}, {22156, 932739, 359741}, {8240, 996552, -82306}, {956635, -65338, -283722},
    {-743561, 8209, 668579}, {-859589, -509674, 35767}, {-852234, 363678, -375977}, {-201965, -970795, -129150},
    {313477, 947327, 65460}, {-254028, -528259, 810150}, {628052, 601105, 494110}, {-494385, 868378, 37933},
    {275635, -86426, 957336}, {-197937, 468903, -860748}, {895599, 399384, 195801}, {560791, 825012, -69214},
    {304199, -849487, 431030}, {96375, 935760, 339111}, {-51422, 408966, -911072}, {330444, 942841, -42389},
    {-452362, -786407, 420563}, {134308, -933472, -332489}, {801910, -566711, -188934}, {-987946, -105988, 112518},
    {-244080, 892242, -379791}, {-920502, 229095, -316376}, {778900, 325958, 535706}, {-912872, 185211, -363770},
    {-184784, 565369, -803833}, {-18463, 119537, 992615}, {-259247, -935608, 239532}, {-823730, -449127, -345947},
    {-433105, 659515, 614349}, {-822754, 378845, -423676}, {687195, -674835, -268890}, {-246582, -800842, 545715},
    {-729187, -207794, 651978}, {653534, -610443, -447388}, {492584, -23346, 869934}, {609039, 9094, -793060},
    {962494, -271088, -8850}, {265900, -4913, 963959}, {651245, 553619, -518951}, {280548, -843140, 458618},
    {-175293, -983215, 49805}, {35339, -979919, 196045}, {-982941, 164307, -82245}, {233734, -972260, -5005},
    {-747253, -611328, 260437}, {645599, 592773, 481384}, {117706, -949524, -290680}, {-535004, -791901, -294312},
    {-627167, -214447, 748718}, {-47974, -813477, -579590}, {-175537, 477264, -860992}, {738556, -414246, -531830},
    {562561, -704071, 433289}, {-754944, 648010, -100586}, {114716, 44525, -992371}, {966003, 244873, -82764},
};

int P(int i) { return kPerm[i & 255]; }

// floor(v) as an integer lattice coordinate; NaN and huge values land on a finite cell.
int64_t Floor(double v)
{
    if (!(std::fabs(v) < 1e15))
        return 0;
    return static_cast<int64_t>(std::floor(v));
}

double Lerp(double t, double a, double b) { return a + t * (b - a); }

double Fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

// The twelve edge directions picked by the low four bits of the corner hash.
double Grad(int hash, double x, double y, double z)
{
    const int h = hash & 15;
    const double u = h < 8 ? x : y;
    const double v = h < 4 ? y : (h == 12 || h == 14 ? x : z);
    return ((h & 1) ? -u : u) + ((h & 2) ? -v : v);
}

double Improved(const Vec3& p)
{
    const int64_t fx = Floor(p.x), fy = Floor(p.y), fz = Floor(p.z);
    const int X = static_cast<int>(fx & 255), Y = static_cast<int>(fy & 255), Z = static_cast<int>(fz & 255);
    const double x = p.x - static_cast<double>(fx), y = p.y - static_cast<double>(fy), z = p.z - static_cast<double>(fz);
    const double u = Fade(x), v = Fade(y), w = Fade(z);
    const int A = P(X) + Y, AA = P(A) + Z, AB = P(A + 1) + Z;
    const int B = P(X + 1) + Y, BA = P(B) + Z, BB = P(B + 1) + Z;
    const double r =
        Lerp(w, Lerp(v, Lerp(u, Grad(P(AA), x, y, z), Grad(P(BA), x - 1, y, z)),
                        Lerp(u, Grad(P(AB), x, y - 1, z), Grad(P(BB), x - 1, y - 1, z))),
                Lerp(v, Lerp(u, Grad(P(AA + 1), x, y, z - 1), Grad(P(BA + 1), x - 1, y, z - 1)),
                        Lerp(u, Grad(P(AB + 1), x, y - 1, z - 1), Grad(P(BB + 1), x - 1, y - 1, z - 1))));
    return 0.5 + 0.5 * r;
}

double GradDot(int k, double x, double y, double z)
{
    const int32_t* g = kGrad[k & 255];
    return (x * g[0] + y * g[1] + z * g[2]) * 1e-6;
}

double SCurve(double t) { return t * t * (3 - 2 * t); }

double StdPerlin(const Vec3& p)
{
    // The lattice position is taken in single precision after the offset, as the original does.
    int b0[3], b1[3];
    double r0[3], r1[3];
    for (int k = 0; k < 3; ++k) {
        const double c = std::clamp(p[k], -1e6, 1e6);
        const float t = static_cast<float>(c == c ? c : 0.0) + 10000.0f;
        const int it = static_cast<int>(t);
        b0[k] = it & 255;
        b1[k] = (b0[k] + 1) & 255;
        const float r = t - static_cast<float>(it);
        r0[k] = r;
        r1[k] = static_cast<double>(r - 1.0f);
    }
    const int i = P(b0[0]), j = P(b1[0]);
    const int b00 = P(i + b0[1]), b10 = P(j + b0[1]), b01 = P(i + b1[1]), b11 = P(j + b1[1]);
    const double sx = SCurve(r0[0]), sy = SCurve(r0[1]), sz = SCurve(r0[2]);
    auto layer = [&](int bz, double rz) {
        const double a = Lerp(sx, GradDot(b00 + bz, r0[0], r0[1], rz), GradDot(b10 + bz, r1[0], r0[1], rz));
        const double b = Lerp(sx, GradDot(b01 + bz, r0[0], r1[1], rz), GradDot(b11 + bz, r1[0], r1[1], rz));
        return Lerp(sy, a, b);
    };
    return 0.5 + 0.75 * Lerp(sz, layer(b0[2], r0[2]), layer(b1[2], r1[2]));
}

double BlenderNoise(const Vec3& p)
{
    const int64_t fx = Floor(p.x), fy = Floor(p.y), fz = Floor(p.z);
    const double o[3] = {p.x - static_cast<double>(fx), p.y - static_cast<double>(fy), p.z - static_cast<double>(fz)};
    const int64_t cell[3] = {fx, fy, fz};
    double weight[3][2];
    for (int k = 0; k < 3; ++k)
        for (int c = 0; c < 2; ++c) {
            const double d = std::fabs(o[k] - c);
            weight[k][c] = 1 - 3 * d * d + 2 * d * d * d;
        }
    double n = 0.5;
    for (int cx = 0; cx < 2; ++cx)
        for (int cy = 0; cy < 2; ++cy)
            for (int cz = 0; cz < 2; ++cz) {
                const int gx = static_cast<int>((cell[0] + cx) & 255), gy = static_cast<int>((cell[1] + cy) & 255);
                const int gz = static_cast<int>((cell[2] + cz) & 255);
                const int h = P(gz + P(P(gx) + gy));
                n += weight[0][cx] * weight[1][cy] * weight[2][cz] * GradDot(h, o[0] - cx, o[1] - cy, o[2] - cz);
            }
    return std::clamp(n, 0.0, 1.0);
}

uint32_t CellHash(int64_t ix, int64_t iy, int64_t iz)
{
    uint32_t k = static_cast<uint32_t>(ix) + 1301u * static_cast<uint32_t>(iy) + 314159u * static_cast<uint32_t>(iz);
    k ^= k << 13;
    return k * (k * k * 15731u + 789221u) + 1376312589u;
}

double Distance(const Vec3& d, DistanceMetric metric, double exponent)
{
    const double x = std::fabs(d.x), y = std::fabs(d.y), z = std::fabs(d.z);
    switch (metric) {
    case DistanceMetric::Squared:
        return x * x + y * y + z * z;
    case DistanceMetric::Manhattan:
        return x + y + z;
    case DistanceMetric::Chebychev:
        return std::max({x, y, z});
    case DistanceMetric::MinkovskyHalf: {
        const double s = std::sqrt(x) + std::sqrt(y) + std::sqrt(z);
        return s * s;
    }
    case DistanceMetric::MinkovskyFour:
        return std::sqrt(std::sqrt(x * x * x * x + y * y * y * y + z * z * z * z));
    case DistanceMetric::Minkovsky: {
        const double e = exponent > 0.01 ? exponent : 0.01;
        return std::pow(std::pow(x, e) + std::pow(y, e) + std::pow(z, e), 1 / e);
    }
    case DistanceMetric::Real:
        break;
    }
    return std::sqrt(x * x + y * y + z * z);
}

} // namespace

NoiseBasis NoiseBasisNamed(std::string_view word)
{
    static const std::pair<const char*, NoiseBasis> kBases[] = {
        {"stdperlin", NoiseBasis::StdPerlin},       {"blender", NoiseBasis::Blender},
        {"cellnoise", NoiseBasis::Cell},            {"voronoi_f1", NoiseBasis::VoronoiF1},
        {"voronoi_f2", NoiseBasis::VoronoiF2},      {"voronoi_f3", NoiseBasis::VoronoiF3},
        {"voronoi_f4", NoiseBasis::VoronoiF4},      {"voronoi_f2f1", NoiseBasis::VoronoiF2F1},
        {"voronoi_crackle", NoiseBasis::VoronoiCrackle},
    };
    return Named(word, kBases, NoiseBasis::Improved);
}

DistanceMetric DistanceMetricNamed(std::string_view word)
{
    static const std::pair<const char*, DistanceMetric> kMetrics[] = {
        {"squared", DistanceMetric::Squared},              {"manhattan", DistanceMetric::Manhattan},
        {"chebychev", DistanceMetric::Chebychev},          {"minkovsky_half", DistanceMetric::MinkovskyHalf},
        {"minkovsky_four", DistanceMetric::MinkovskyFour}, {"minkovsky", DistanceMetric::Minkovsky},
    };
    return Named(word, kMetrics, DistanceMetric::Real);
}

double CellValue(int64_t ix, int64_t iy, int64_t iz, uint32_t channel)
{
    return CellHash(ix + 7919 * static_cast<int64_t>(channel), iy, iz) / 4294967296.0;
}

void Worley(const Vec3& p, DistanceMetric metric, double exponent, double distance[4], Vec3 point[4])
{
    for (int i = 0; i < 4; ++i) {
        distance[i] = 1e30;
        point[i] = Vec3();
    }
    const int64_t fx = Floor(p.x), fy = Floor(p.y), fz = Floor(p.z);
    for (int64_t x = fx - 1; x <= fx + 1; ++x)
        for (int64_t y = fy - 1; y <= fy + 1; ++y)
            for (int64_t z = fz - 1; z <= fz + 1; ++z) {
                const Vec3 feature(static_cast<double>(x) + CellValue(x, y, z, 1), static_cast<double>(y) + CellValue(x, y, z, 2),
                                   static_cast<double>(z) + CellValue(x, y, z, 3));
                const double d = Distance(feature - p, metric, exponent);
                if (!(d < distance[3]))
                    continue;
                int at = 3;
                while (at > 0 && d < distance[at - 1]) {
                    distance[at] = distance[at - 1];
                    point[at] = point[at - 1];
                    --at;
                }
                distance[at] = d;
                point[at] = feature;
            }
}

double Noise(NoiseBasis basis, const Vec3& p)
{
    switch (basis) {
    case NoiseBasis::Improved:
        return Improved(p);
    case NoiseBasis::StdPerlin:
        return StdPerlin(p);
    case NoiseBasis::Blender:
        return BlenderNoise(p);
    case NoiseBasis::Cell:
        return CellHash(Floor(p.x), Floor(p.y), Floor(p.z)) / 4294967296.0;
    default:
        break;
    }
    double d[4];
    Vec3 at[4];
    Worley(p, DistanceMetric::Real, 2.5, d, at);
    switch (basis) {
    case NoiseBasis::VoronoiF2:
        return d[1];
    case NoiseBasis::VoronoiF3:
        return d[2];
    case NoiseBasis::VoronoiF4:
        return d[3];
    case NoiseBasis::VoronoiF2F1:
        return d[1] - d[0];
    case NoiseBasis::VoronoiCrackle:
        return std::min(1.0, 10 * (d[1] - d[0]));
    default:
        return d[0];
    }
}

double Turbulence(NoiseBasis basis, const Vec3& p, int depth, double size, bool hard)
{
    depth = std::clamp(depth, 0, 24);
    const Vec3 q = (basis == NoiseBasis::Blender ? p + Vec3(1, 1, 1) : p) * size;
    double sum = 0, amplitude = 1, frequency = 1;
    for (int i = 0; i <= depth; ++i) {
        double n = Noise(basis, q * frequency);
        if (hard)
            n = std::fabs(2 * n - 1);
        sum += amplitude * n;
        amplitude *= 0.5;
        frequency *= 2;
    }
    return sum / ((std::ldexp(1.0, depth + 1) - 1) / std::ldexp(1.0, depth));
}

Vec3 GradientEntry(int k)
{
    const int32_t* g = kGrad[k & 255];
    return {g[0] * 1e-6, g[1] * 1e-6, g[2] * 1e-6};
}

int PermutationEntry(int k) { return P(k); }

} // namespace kelvane::rt
