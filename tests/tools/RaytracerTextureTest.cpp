// Known answers of the ray tracer's textures: noise, the procedural types, pictures, mappings,
// the modulators of both shader kinds and bump.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "RaytracerScenes.h"
#include "render/Targa.h"

using namespace kelvane::test::rt;
using kelvane::test::TempDir;

namespace {

// The film position of pixel (j, i) on the plane z = 0.
Vec3 OnPlane(int j, int i) { return {5 * ((j + 0.5) / 64 - 0.5), -5 * ((i + 0.5) / 64 - 0.5), 0}; }

// A shadeless blendershader on black whose colour is texcol (white) by the node's float: the
// picture shows the float of `node` at every pixel.
std::string ShowFloat(const std::string& nodes, const std::string& input)
{
    return nodes + ShaderXml("S", "blendershader", "<color r=\"0\" g=\"0\" b=\"0\"/>\n<matmodes value=\"shadeless\"/>\n",
                             "<modulator input=\"" + input + "\" color=\"1\">\n"
                             "<texcol r=\"1\" g=\"1\" b=\"1\"/>\n</modulator>\n") +
           Quad("Q", "S", 10);
}

std::string Mapper(const std::string& name, const std::string& input, const std::string& attributes)
{
    return "<shader type=\"blendermapper\" name=\"" + name + "\" input=\"" + input + "\" " + attributes + ">\n</shader>\n";
}

// The default noise basis: Perlin's improved noise on the permutation that begins 162 160 25 59.
double Improved(double x, double y, double z)
{
    static const char* const kHex =
        "a2a0193bf8ebaaeef31c67281ded00de952edc3f3a82354d6cba36d0f60c7932d159f4088b63892fb8b49783f28f18c751146587482042a880b54013b2227e57"
        "bc7f6b9d864cc8db7cd5254e5a557450cdb37abbc3cbb6e2e4ecfd980b96d39e5ca164f18161e1c42472498c904b843438ab78ca1f01d79311c158a931f9446d"
        "bf339c5f0994a38506c69a1e7b461530272b1b713c5bd66f62ac4fc2c00eb123a7df47b0776905e9e6e776730ffe6e9b56ef12a537fcaed9038edd10b9cec98d"
        "da2abd68179fbed40accd2e8433d70b7027d99d80d608a042c3e92e5af5307e029a6c5e3f5f74a41266a165e522d21adf091ffea54fa661a4539cf75a488fb5d";
    static const std::vector<int> p = [] {
        std::vector<int> table(512);
        for (int i = 0; i < 512; ++i)
            table[i] = std::stoi(std::string(kHex + 2 * (i % 256), 2), nullptr, 16);
        return table;
    }();
    auto fade = [](double t) { return t * t * t * (t * (t * 6 - 15) + 10); };
    auto lerp = [](double t, double a, double b) { return a + t * (b - a); };
    auto grad = [](int hash, double gx, double gy, double gz) {
        const int h = hash & 15;
        const double u = h < 8 ? gx : gy, v = h < 4 ? gy : h == 12 || h == 14 ? gx : gz;
        return ((h & 1) == 0 ? u : -u) + ((h & 2) == 0 ? v : -v);
    };
    const int X = static_cast<int>(std::floor(x)) & 255, Y = static_cast<int>(std::floor(y)) & 255,
              Z = static_cast<int>(std::floor(z)) & 255;
    x -= std::floor(x);
    y -= std::floor(y);
    z -= std::floor(z);
    const double u = fade(x), v = fade(y), w = fade(z);
    const int A = p[X] + Y, AA = p[A] + Z, AB = p[A + 1] + Z, B = p[X + 1] + Y, BA = p[B] + Z, BB = p[B + 1] + Z;
    const double r = lerp(w, lerp(v, lerp(u, grad(p[AA], x, y, z), grad(p[BA], x - 1, y, z)),
                                  lerp(u, grad(p[AB], x, y - 1, z), grad(p[BB], x - 1, y - 1, z))),
                          lerp(v, lerp(u, grad(p[AA + 1], x, y, z - 1), grad(p[BA + 1], x - 1, y, z - 1)),
                                  lerp(u, grad(p[AB + 1], x, y - 1, z - 1), grad(p[BB + 1], x - 1, y - 1, z - 1))));
    return 0.5 + 0.5 * r;
}

// A picture file of w x h pixels, top row first, each RGB.
std::filesystem::path WritePicture(const TempDir& dir, const std::string& name, int w, int h, const std::vector<uint8_t>& rgb)
{
    kelvane::TPicture picture = kelvane::TPicture::Make(w, h, 3);
    picture.pixels = rgb;
    return dir.Write(name, kelvane::EncodeTarga(picture));
}

} // namespace

TEST(RaytracerTexture, TablesAreTheRenderersOwn)
{
    int seen[256] = {};
    for (int k = 0; k < 256; ++k)
        ++seen[PermutationEntry(k)];
    for (int k = 0; k < 256; ++k)
        ASSERT_EQ(seen[k], 1) << k;
    EXPECT_EQ(PermutationEntry(0), 162);
    EXPECT_EQ(PermutationEntry(255), 93);
    for (int k = 0; k < 256; ++k)
        ASSERT_NEAR(Length(GradientEntry(k)), 0.99997, 0.00004) << k;
    EXPECT_DOUBLE_EQ(GradientEntry(255).z, -0.082764);
}

TEST(RaytracerTexture, CloudsFollowTheNoiseFormulaPixelByPixel)
{
    // Default basis, depth 2, size 1.3, through a global blendermapper.
    const std::string nodes = "<shader type=\"clouds\" name=\"N\" depth=\"2\" size=\"1.3\">\n</shader>\n" +
                              Mapper("M", "N", "texco=\"global\"");
    const Image image = Render(Load(SceneText(ShowFloat(nodes, "M"))));
    for (int i = 0; i < 64; ++i)
        for (int j = 0; j < 64; ++j) {
            const Vec3 q = OnPlane(j, i) * 1.3;
            const double t = (Improved(q.x, q.y, q.z) + 0.5 * Improved(2 * q.x, 2 * q.y, 2 * q.z) +
                              0.25 * Improved(4 * q.x, 4 * q.y, 4 * q.z)) / 1.75;
            ASSERT_EQ(Byte(image, j, i), ToByte(t)) << j << "," << i;
        }
}

TEST(RaytracerTexture, ProceduralTypesAndMapperSizeAndOffset)
{
    struct Case {
        const char* node;
        const char* mapper;
        double (*expected)(const Vec3& p);
    };
    const Case cases[] = {
        // size (c + ofs): marble with its turbulence off, saw shape.
        {"<shader type=\"marble\" name=\"N\" turbulence=\"0\" shape=\"saw\">\n</shader>\n", "texco=\"global\" size=\"0.5\" ofsx=\"0.3\"",
         [](const Vec3& p) {
             const double w = 5 * (0.5 * (p.x + 0.3) + 0.5 * p.y);
             return w / (2 * 3.14159265358979323846) - std::floor(w / (2 * 3.14159265358979323846));
         }},
        {"<shader type=\"wood\" name=\"N\" turbulence=\"0\" shape=\"tri\">\n</shader>\n", "texco=\"global\"",
         [](const Vec3& p) {
             const double w = 10 * (p.x + p.y) / (2 * 3.14159265358979323846);
             return std::fabs(2 * (w - std::floor(w)) - 1);
         }},
        {"<shader type=\"wood\" name=\"N\" turbulence=\"0\" wood_type=\"rings\">\n</shader>\n", "texco=\"global\"",
         [](const Vec3& p) { return 0.5 + 0.5 * std::sin(20 * Length(p)); }},
        {"<shader type=\"gradient\" name=\"N\" gradient_type=\"quadratic\">\n</shader>\n", "texco=\"global\" size=\"0.4\"",
         [](const Vec3& p) { const double v = std::max(0.0, (1 + 0.4 * p.x) / 2); return v * v; }},
        {"<shader type=\"gradient\" name=\"N\" gradient_type=\"halo\" flip_xy=\"on\">\n</shader>\n", "texco=\"global\" size=\"0.4\"",
         [](const Vec3& p) { const double v = std::max(0.0, 1 - 0.4 * Length(p)); return v * v; }},
        // Window coordinates and a projection that drops x.
        {"<shader type=\"gradient\" name=\"N\">\n</shader>\n", "texco=\"window\" proj_x=\"y\"",
         [](const Vec3& p) { return (1 + p.y / 2.5) / 2; }},
        // One octave of fBm and distorted noise on the signed default basis.
        {"<shader type=\"musgrave\" name=\"N\" octaves=\"1\" intensity=\"0.8\" size=\"1.7\">\n</shader>\n", "texco=\"global\"",
         [](const Vec3& p) { return 0.8 * (2 * Improved(1.7 * p.x, 1.7 * p.y, 0) - 1); }},
        {"<shader type=\"distorted_noise\" name=\"N\" distort=\"0.5\">\n</shader>\n", "texco=\"global\"",
         [](const Vec3& p) {
             auto s = [](double x, double y, double z) { return 2 * Improved(x, y, z) - 1; };
             return s(p.x + 0.5 * s(p.x + 13.5, p.y + 13.5, 13.5), p.y + 0.5 * s(p.x, p.y, 0), 0.5 * s(p.x - 13.5, p.y - 13.5, -13.5));
         }},
    };
    for (const Case& c : cases) {
        const Image image = Render(Load(SceneText(ShowFloat(c.node + Mapper("M", "N", c.mapper), "M"))));
        for (int i = 0; i < 64; ++i)
            for (int j = 0; j < 64; ++j) {
                const double v = c.expected(OnPlane(j, i));
                // Values that sit on a level boundary may fall either side in the last bit.
                if (std::fabs(255 * v - std::round(255 * v)) < 1e-6)
                    continue;
                ASSERT_EQ(Byte(image, j, i), ToByte(v)) << c.node << j << "," << i;
            }
    }
}

TEST(RaytracerTexture, PictureLookupWithMappingRepeatAndClip)
{
    TempDir dir;
    // 4 x 3 texels, each its own red level (column) and green level (row).
    std::vector<uint8_t> rgb;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            rgb.insert(rgb.end(), {static_cast<uint8_t>(40 + 60 * x), static_cast<uint8_t>(50 + 80 * y), 0});
    const std::string file = WritePicture(dir, "t.tga", 4, 3, rgb).string();
    auto render = [&](const std::string& image, const std::string& mapper) {
        const std::string body = "<shader type=\"image\" name=\"I\" filename=\"" + file + "\" " + image + ">\n</shader>\n" +
            Mapper("M", "I", (mapper.find("texco") == std::string::npos ? "texco=\"uv\" " : "") + mapper) +
            ShaderXml("S", "blendershader", "<color r=\"0\" g=\"0\" b=\"1\"/>\n<matmodes value=\"shadeless\"/>\n",
                      "<modulator input=\"M\" color=\"1\"/>\n") +
            Quad("Q", "S", 2.5, 0, "", 0, true);
        return Render(Load(SceneText(body)));
    };
    // Without interpolation every pixel shows the texel under it: v = 0 is the top row.
    const Image plain = render("interpolate=\"none\"", "");
    for (int i = 0; i < 64; ++i)
        for (int j = 0; j < 64; ++j) {
            const int tx = std::min(3, static_cast<int>((j + 0.5) / 64 * 4)), ty = std::min(2, static_cast<int>((i + 0.5) / 64 * 3));
            ASSERT_NEAR(Byte(plain, j, i, 0), 40 + 60 * tx, 1) << j << "," << i;
            ASSERT_NEAR(Byte(plain, j, i, 1), 50 + 80 * ty, 1) << j << "," << i;
        }
    // Bilinear: half-way between the texel centres of columns 1 and 2.
    const Image smooth = render("", "");
    EXPECT_NEAR(Byte(smooth, 31, 2, 0), 130, 2);
    // Repeats in x and y: the picture three times across, twice down.
    const Image repeated = render("interpolate=\"none\"", "xrepeat=\"3\" yrepeat=\"2\"");
    EXPECT_NEAR(Byte(repeated, 2, 2, 0), 40, 1);
    EXPECT_NEAR(Byte(repeated, 23, 2, 0), 40, 1);
    EXPECT_NEAR(Byte(repeated, 20, 2, 0), 220, 1);
    EXPECT_NEAR(Byte(repeated, 2, 33, 1), 50, 1);
    // Tube mapping of global coordinates: the column follows the angle about the z axis.
    const Image tube = render("interpolate=\"none\"", "texco=\"global\" mapping=\"tube\"");
    EXPECT_NEAR(Byte(tube, 50, 31, 0), 100, 1);  // towards +x: a quarter across
    EXPECT_NEAR(Byte(tube, 31, 10, 0), 160, 1);  // towards +y: half across
    EXPECT_NEAR(Byte(tube, 50, 31, 1), 130, 1);  // z = 0: the middle row
    // Clipped with size 2: the picture covers the middle half; outside, the material colour.
    const Image clipped = render("interpolate=\"none\"", "clipping=\"clip\" size=\"2\"");
    EXPECT_EQ(Byte(clipped, 2, 2, 2), 255);
    EXPECT_EQ(Byte(clipped, 2, 2, 0), 0);
    EXPECT_NEAR(Byte(clipped, 17, 17, 0), 40, 1);
    EXPECT_EQ(Byte(clipped, 17, 17, 2), 0);
}

TEST(RaytracerTexture, GenericModulatorModesOnAKnownColour)
{
    TempDir dir;
    const std::string solid = WritePicture(dir, "solid.tga", 1, 1, {204, 76, 25}).string();
    const std::string other = WritePicture(dir, "other.tga", 1, 1, {50, 148, 255}).string();
    const std::string textures = "<texture type=\"image\" name=\"T\">\n<filename value=\"" + solid + "\"/>\n</texture>\n"
                                 "<texture type=\"jpeg\" name=\"U\">\n<filename value=\"" + other + "\"/>\n</texture>\n";
    auto render = [&](const std::string& modulators) {
        const std::string body = textures +
            ShaderXml("S", "generic", "<color r=\"0.2\" g=\"0.4\" b=\"0.6\"/>\n", modulators) + Quad("Q", "S", 10) +
            LightXml("sunlight", "", "<from x=\"0\" y=\"0\" z=\"1\"/>\n");
        const Image image = Render(Load(SceneText(body)));
        return std::vector<int>{Byte(image, 32, 32, 0), Byte(image, 32, 32, 1), Byte(image, 32, 32, 2)};
    };
    auto mod = [](const char* tex, const char* mode, const char* amount) {
        return std::string("<modulator texname=\"") + tex + "\" mode=\"" + mode + "\">\n<color value=\"" + amount +
               "\"/>\n</modulator>\n";
    };
    struct Case {
        std::string modulators;
        int rgb[3];
    };
    const Case cases[] = {
        {mod("T", "mix", "0.5"), {127, 89, 89}},
        {mod("T", "mul", "0.5"), {45, 66, 84}},
        {mod("T", "add", "0.5"), {153, 140, 166}},
        {mod("T", "sub", "0.5"), {0, 63, 140}},
        {mod("T", "screen", "0.5"), {51, 102, 153}},
        // File order: the second modulator works on the first one's result.
        {mod("T", "mix", "1") + mod("U", "mul", "0.5"), {122, 60, 26}},
        {mod("U", "mul", "0.5") + mod("T", "mix", "1"), {204, 76, 26}},
    };
    for (const Case& c : cases) {
        const std::vector<int> got = render(c.modulators);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(got[k], c.rgb[k], 1) << c.modulators << " channel " << k;
    }
}

TEST(RaytracerTexture, BlenderModulatorsOnAKnownColour)
{
    TempDir dir;
    const std::string solid = WritePicture(dir, "solid.tga", 1, 1, {204, 76, 25}).string();
    // An intensity of 0.5 everywhere: a linear gradient with its x projected away.
    const std::string nodes = "<shader type=\"gradient\" name=\"G\">\n</shader>\n" + Mapper("Half", "G", "proj_x=\"n\"") +
        "<shader type=\"image\" name=\"I\" filename=\"" + solid + "\">\n</shader>\n" + Mapper("Pic", "I", "texco=\"uv\"");
    auto render = [&](const std::string& modulator) {
        const std::string body = nodes +
            ShaderXml("S", "blendershader", "<color r=\"0.2\" g=\"0.4\" b=\"0.6\"/>\n<matmodes value=\"shadeless\"/>\n",
                      modulator) + Quad("Q", "S", 10, 0, "", 0, true);
        const Image image = Render(Load(SceneText(body)));
        return std::vector<int>{Byte(image, 32, 32, 0), Byte(image, 32, 32, 1), Byte(image, 32, 32, 2)};
    };
    auto mod = [](const char* input, const char* mode, const char* colfac, const char* extra = "") {
        return std::string("<modulator input=\"") + input + "\" mode=\"" + mode + "\" color=\"1\" colfac=\"" + colfac +
               "\" " + extra + ">\n<texcol r=\"1\" g=\"0\" b=\"0.5\"/>\n</modulator>\n";
    };
    struct Case {
        std::string modulator;
        int rgb[3];
    };
    const Case cases[] = {
        {mod("Half", "mix", "0.8"), {132, 61, 142}},
        {mod("Half", "mul", "0.8"), {30, 20, 61}},
        {mod("Half", "mix", "0.8", "brightness=\"1.2\""), {165, 44, 138}},
        {mod("Pic", "mix", "0.8"), {173, 81, 50}},
        {mod("Pic", "add", "0.5"), {153, 140, 165}},
        {mod("Pic", "mul", "0.5"), {45, 66, 83}},
    };
    for (const Case& c : cases) {
        const std::vector<int> got = render(c.modulator);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(got[k], c.rgb[k], 1) << c.modulator << " channel " << k;
    }
}

TEST(RaytracerTexture, BumpTiltsTheNormalAwayFromHigherValues)
{
    // A linear gradient rising along x: N' = norm(-k, 0, 1 - |k|) on a white quad.
    const std::string texture = "<texture type=\"gradient\" name=\"G\">\n</texture>\n";
    const std::string nodes = "<shader type=\"gradient\" name=\"G\">\n</shader>\n" + Mapper("M", "G", "texco=\"global\"");
    auto render = [&](bool generic, const char* normal, const char* sunX) {
        const std::string shader = generic
            ? texture + ShaderXml("S", "generic", "<color r=\"1\" g=\"1\" b=\"1\"/>\n",
                                  std::string("<modulator texname=\"G\" texco=\"global\" normal=\"") + normal + "\"/>\n")
            : nodes + ShaderXml("S", "blendershader", "<color r=\"1\" g=\"1\" b=\"1\"/>\n",
                                std::string("<modulator input=\"M\" normal=\"") + normal + "\"/>\n");
        const Image image = Render(Load(SceneText(shader + Quad("Q", "S", 10) +
            LightXml("sunlight", "", std::string("<from x=\"") + sunX + "\" y=\"0\" z=\"1\"/>\n"))));
        int lo = 255, hi = 0;
        for (int i = 0; i < 64; ++i)
            for (int j = 0; j < 64; ++j) {
                lo = std::min(lo, Byte(image, j, i));
                hi = std::max(hi, Byte(image, j, i));
            }
        EXPECT_EQ(lo, hi) << generic << normal << sunX;
        return lo;
    };
    for (bool generic : {true, false}) {
        EXPECT_EQ(render(generic, "0.3", "-1"), 236) << generic;
        EXPECT_EQ(render(generic, "0.3", "1"), 94) << generic;
        EXPECT_EQ(render(generic, "-0.3", "1"), 236) << generic;
    }
}

TEST(RaytracerTexture, OrcoSpansTheObjectsBoxAndCommentedFacesAreNotDrawn)
{
    // An off-centre quad from x = 1 to 2 under a move: orco x runs -1 ... 1 across it.
    const std::string nodes = "<shader type=\"gradient\" name=\"G\">\n</shader>\n" + Mapper("M", "G", "");
    const std::string body = ShowFloat(nodes, "M").substr(0, ShowFloat(nodes, "M").find("<object")) +
        "<transform m03=\"-1.5\" m13=\"0\">\n<object name=\"Q\" shader_name=\"S\">\n<attributes>\n</attributes>\n<mesh>\n<points>\n"
        "<p x=\"1\" y=\"-1\" z=\"0\"/>\n<p x=\"2\" y=\"-1\" z=\"0\"/>\n<p x=\"2\" y=\"1\" z=\"0\"/>\n<p x=\"1\" y=\"1\" z=\"0\"/>\n"
        "<p x=\"-9\" y=\"-9\" z=\"0\"/>\n<p x=\"9\" y=\"-9\" z=\"0\"/>\n<p x=\"0\" y=\"9\" z=\"0\"/>\n"
        "</points>\n<faces>\n<f a=\"0\" b=\"1\" c=\"2\"/>\n<f a=\"0\" b=\"2\" c=\"3\"/>\n"
        "<!-- <f a=\"4\" b=\"5\" c=\"6\"/> -->\n</faces>\n</mesh>\n</object>\n</transform>\n";
    const Image image = Render(Load(SceneText(body)));
    for (int j = 0; j < 64; ++j) {
        const double x = OnPlane(j, 32).x;  // the quad spans -0.5 ... 0.5 after the move
        if (std::fabs(x) >= 0.49) {
            EXPECT_EQ(Byte(image, j, 32), 0) << j;
            continue;
        }
        // Points 4 to 6 widen the box but stay out of the picture: only faces see them.
        const double orco = (x + 1.5 - 0) / 9.00001;
        EXPECT_NEAR(Byte(image, j, 32), ToByte((1 + orco) / 2), 1) << j;
    }
}

TEST(RaytracerTexture, BrokenTextureParametersDrawWithoutFaults)
{
    TempDir dir;
    const std::string junk = dir.Write("junk.jpg", std::string("\xFF\xD8\xFF\xE0 not a picture")).string();
    const std::string big = "1e300";
    const std::string nodes =
        "<shader type=\"clouds\" name=\"A\" depth=\"1000000\" size=\"" + big + "\" noise_type=\"stdperlin\">\n</shader>\n"
        "<shader type=\"musgrave\" name=\"B\" octaves=\"1e9\" lacunarity=\"" + big + "\" H=\"-50\" musgrave_type=\"ridgedmf\">\n</shader>\n"
        "<shader type=\"voronoi\" name=\"C\" size=\"" + big + "\" distance_metric=\"minkovsky\" mk_exponent=\"0\" color_type=\"col3\">\n</shader>\n"
        "<shader type=\"image\" name=\"D\" filename=\"" + junk + "\" interpolate=\"bicubic\">\n</shader>\n"
        "<shader type=\"colorband\" name=\"E\" input=\"A\">\n<modulator value=\"1\">\n<color r=\"1\" g=\"0\" b=\"0\"/>\n</modulator>\n"
        "<modulator value=\"0\">\n<color r=\"0\" g=\"0\" b=\"1\"/>\n</modulator>\n</shader>\n"
        "<shader type=\"distorted_noise\" name=\"F\" input1=\"E\" input2=\"Nowhere\" distort=\"" + big + "\">\n</shader>\n" +
        Mapper("M1", "A", "texco=\"orco\" size=\"" + big + "\"") + Mapper("M2", "D", "xrepeat=\"" + big + "\" clipping=\"checker\" checker_dist=\"2\"") +
        Mapper("M3", "C", "m00=\"" + big + "\" mapping=\"sphere\"") + Mapper("M4", "Nowhere", "") + Mapper("M5", "F", "texco=\"reflect\"");
    std::string mods;
    for (const char* input : {"M1", "M2", "M3", "M4", "M5", "B", "E", "Undefined"})
        mods += std::string("<modulator input=\"") + input + "\" color=\"1\" hard=\"-1\" raymir=\"1\" normal=\"" + big +
                "\" mode=\"divide\" texflag=\"stencil negative no_rgb\" contrast=\"" + big + "\"/>\n";
    const std::string body = nodes +
        ShaderXml("S", "blendershader", "<color r=\"1\" g=\"1\" b=\"1\"/>\n<reflect value=\"on\"/>\n", mods) +
        "<texture type=\"marble\" name=\"T\" depth=\"-5\" turbulence=\"" + big + "\" sharpness=\"" + big + "\"/>\n"
        "<texture type=\"image\" name=\"U\">\n<filename value=\"" + junk + "\"/>\n</texture>\n" +
        ShaderXml("G", "generic", "<color r=\"1\" g=\"1\" b=\"1\"/>\n",
                  "<modulator texname=\"T\" normal=\"" + big + "\" size=\"" + big + "\"/>\n"
                  "<modulator texname=\"U\" texco=\"uv\" mapping=\"cube\" normal=\"1\" color=\"" + big + "\" clipping=\"clipcube\"/>\n") +
        Quad("Q", "S", 1, 0, "", -1, true) + Quad("R", "G", 1, 0.5, "", 1) +
        LightXml("sunlight", "", "<from x=\"0\" y=\"0\" z=\"1\"/>\n") + LightXml("pathlight", "samples=\"2\" depth=\"3\"", "", "P");
    const Scene scene = Load(SceneText(body, "", 16));
    EXPECT_EQ(scene.messages, std::vector<std::string>{"Could not load image " + junk});
    const Image image = Render(scene);
    EXPECT_EQ(image.width, 16);
}
