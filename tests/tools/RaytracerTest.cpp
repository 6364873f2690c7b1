// Known answers of the bundled ray tracer, worked out by hand from its lighting formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "RaytracerScenes.h"

using namespace kelvane::test::rt;

TEST(Raytracer, PointLightFallsOffWithTheSquareAndSunlightWithTheCosine)
{
    for (const auto& [height, expected] : {std::pair{2, 222}, std::pair{4, 55}}) {
        const Scene scene = Load(SceneText(kWhite + Quad("Q", "W", 10) +
            LightXml("pointlight", "power=\"3.5\"", "<from x=\"0\" y=\"0\" z=\"" + std::to_string(height) + "\"/>\n")));
        EXPECT_EQ(Byte(Render(scene), 32, 32), expected) << "light at " << height;
    }
    for (const auto& [from, expected] : {std::pair{"x=\"0\" y=\"0\" z=\"100\"", 204}, std::pair{"x=\"1\" y=\"0\" z=\"1\"", 144}}) {
        const Scene scene = Load(SceneText(kWhite + Quad("Q", "W", 10) +
            LightXml("sunlight", "", std::string("<from ") + from + "/>\n<color r=\"0.8\" g=\"0.8\" b=\"0.8\"/>\n")));
        const Image image = Render(scene);
        EXPECT_EQ(Byte(image, 0, 0), expected) << from;
        EXPECT_EQ(Byte(image, 40, 13), expected) << from;
    }
}

TEST(Raytracer, SpotlightSizeIsTheHalfAngleOfItsCone)
{
    const Scene scene = Load(SceneText(kWhite + Quad("Q", "W", 10) +
        LightXml("spotlight", "size=\"20\" blend=\"0\" power=\"4\"", "<from x=\"0.3\" y=\"-0.2\" z=\"2\"/>\n<to x=\"0\" y=\"0\" z=\"0\"/>\n")));
    const Image image = Render(scene);
    int lit = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            lit += image.At(x, y).r > 0;
    EXPECT_EQ(lit, 288);
}

TEST(Raytracer, ExposureAndGammaOnAKnownColour)
{
    const std::string body = ShaderXml("K", "constant", "<color r=\"0.5\" g=\"0.2\" b=\"0.9\"/>\n") + Quad("Q", "K", 1) +
        "<background type=\"constant\" name=\"B\">\n<color r=\"0.3\" g=\"0.6\" b=\"1.7\"/>\n</background>\n";
    struct Case {
        const char* render;
        int quad[3], back[3];
    };
    const Case cases[] = {
        {"gamma=\"2.2\"", {186, 122, 243}, {147, 202, 255}},
        {"exposure=\"1\"", {100, 46, 151}, {66, 115, 208}},
        {"exposure=\"2\" gamma=\"1.8\"", {197, 137, 230}, {163, 208, 250}},
        {"gamma=\"0\"", {255, 255, 255}, {255, 255, 255}},
    };
    for (const Case& c : cases) {
        const Image image = Render(Load(SceneText(body, std::string("background_name=\"B\" ") + c.render)));
        for (int ch = 0; ch < 3; ++ch) {
            EXPECT_EQ(Byte(image, 32, 32, ch), c.quad[ch]) << c.render;
            EXPECT_EQ(Byte(image, 0, 0, ch), c.back[ch]) << c.render;
        }
    }
}

TEST(Raytracer, AntiAliasingAveragesToneMappedSamplesAndAlphaCountsHits)
{
    // A slanted edge crosses many pixels, each resampled with its own share of hits.
    const std::string tri = "<object name=\"T\" shader_name=\"K\">\n<attributes>\n</attributes>\n<mesh>\n<points>\n"
        "<p x=\"-3\" y=\"-3\" z=\"0\"/>\n<p x=\"0.7\" y=\"-3\" z=\"0\"/>\n<p x=\"0.1\" y=\"3\" z=\"0\"/>\n"
        "</points>\n<faces>\n<f a=\"0\" b=\"1\" c=\"2\"/>\n</faces>\n</mesh>\n</object>\n";
    // 1 pass of 4: a colour of 4 saturates unless clamped first; clamped, h of 5 samples give 51 h.
    const std::string bright = ShaderXml("K", "constant", "<color r=\"4\" g=\"4\" b=\"4\"/>\n") + tri;
    const Image plain = Render(Load(SceneText(bright, "AA_passes=\"1\" AA_minsamples=\"4\"")));
    const Image clamped = Render(Load(SceneText(bright, "AA_passes=\"1\" AA_minsamples=\"4\" clamp_rgb=\"on\"")));
    int partial = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const int v = Byte(clamped, x, y);
            ASSERT_EQ(v % 51, 0) << x << "," << y;
            if (v > 0 && v < 255) {
                ++partial;
                EXPECT_GE(Byte(plain, x, y), 204);
            }
        }
    EXPECT_GT(partial, 20);

    // 2 passes of 3: an edge pixel holds h of 7 samples, in its colour and in its alpha.
    const std::string half = ShaderXml("K", "constant", "<color r=\"0.5\" g=\"0.5\" b=\"0.5\"/>\n") + tri;
    const Image image = Render(Load(SceneText(half, "AA_passes=\"2\" AA_minsamples=\"3\" save_alpha=\"on\"")));
    bool threeOfSeven = false;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const size_t i = static_cast<size_t>(y) * 64 + x;
            const double hits = image.alpha[i] * 7;
            if (image.alpha[i] > 0 && image.alpha[i] < 1) {
                ASSERT_NEAR(hits, std::round(hits), 1e-9) << x << "," << y;
                EXPECT_EQ(Byte(image, x, y), static_cast<int>(std::floor(255 * 0.5 * image.alpha[i])));
            }
            threeOfSeven = threeOfSeven || (ToByte(image.alpha[i]) == 109 && Byte(image, x, y) == 54);
        }
    EXPECT_TRUE(threeOfSeven);
    const std::string tga = TargaBytes(image, true);
    ASSERT_EQ(tga.size(), 18u + 64 * 64 * 4);
    EXPECT_EQ(static_cast<unsigned char>(tga[17]), 0x28);
}

TEST(Raytracer, ShadowsFollowTheCasterFlag)
{
    const std::string light = LightXml("pointlight", "power=\"4\"", "<from x=\"0\" y=\"0\" z=\"2\"/>\n");
    for (const char* flag : {"on", "off"}) {
        const Scene scene = Load(SceneText(kWhite + Quad("Floor", "W", 10) +
            Quad("Roof", "W", 0.3, 1, std::string("shadow=\"") + flag + "\"", 1.2) + light));
        const Image image = Render(scene);
        // The roof's shadow on the floor right of the centre, and the same spot mirrored left.
        const int under = Byte(image, 60, 32);
        const int open = Byte(image, 3, 32);
        EXPECT_GT(open, 40) << flag;
        EXPECT_EQ(under, std::string(flag) == "on" ? 0 : open) << flag;
    }
}

TEST(Raytracer, MirrorReflectsByMinRefleAndFresnelWithinRaydepth)
{
    const std::string back = "<background type=\"constant\" name=\"B\">\n<color r=\"0.4\" g=\"0.4\" b=\"0.4\"/>\n</background>\n";
    struct Case {
        const char* shader;
        const char* render;
        int centre;
    };
    const Case cases[] = {
        {"", "", 0},
        {"<min_refle value=\"1\"/>\n", "", 102},
        {"<IOR value=\"1.5\"/>\n<min_refle value=\"0.3\"/>\n", "", 33},
        {"<min_refle value=\"1\"/>\n", "raydepth=\"1\"", 0},
    };
    for (const Case& c : cases) {
        const std::string body = ShaderXml("M", "generic", std::string("<reflected r=\"1\" g=\"1\" b=\"1\"/>\n") + c.shader) +
                                 Quad("Q", "M", 10) + back;
        const Image image = Render(Load(SceneText(body, std::string("background_name=\"B\" ") + c.render)));
        EXPECT_EQ(Byte(image, 32, 32), c.centre) << c.shader << c.render;
    }
    const std::string constant = ShaderXml("K", "constant", "<color r=\"1\" g=\"1\" b=\"1\"/>\n") + Quad("Q", "K", 10) + back;
    const Image dark = Render(Load(SceneText(constant, "background_name=\"B\" raydepth=\"0\"")));
    EXPECT_EQ(Byte(dark, 32, 32), 0);
    EXPECT_EQ(Byte(dark, 0, 0), 0);
}

TEST(Raytracer, AreaLightFallsOffAsOneOverDistance)
{
    auto centre = [&](double height, const std::string& extra = "") {
        const std::string h = std::to_string(height);
        auto corner = [&](const char* name, double x, double y) {
            return std::string("<") + name + " x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" z=\"" + h + "\"/>\n";
        };
        // Corners ordered so that the light faces down.
        const Scene scene = Load(SceneText(kWhite + Quad("Q", "W", 10) +
            LightXml("arealight", "power=\"0.8\" " + extra, corner("a", -0.05, -0.05) + corner("b", -0.05, 0.05) +
                  corner("c", 0.05, 0.05) + corner("d", 0.05, -0.05) + "<color r=\"1\" g=\"1\" b=\"1\"/>\n")));
        return Render(scene).At(32, 32).r;
    };
    const double one = centre(1), two = centre(2), four = centre(4);
    EXPECT_NEAR(one, 0.8, 0.02);
    EXPECT_NEAR(one / two, 2, 0.05);
    EXPECT_NEAR(two / four, 2, 0.05);
    // Unblocked probes light every cell centre: the same light without jitter.
    EXPECT_NEAR(centre(1, "psamples=\"4\""), one, 0.01);
}

TEST(Raytracer, HemilightGathersHalfTheOpenSky)
{
    const std::string sky = "<background type=\"constant\" name=\"B\">\n<color r=\"1\" g=\"1\" b=\"1\"/>\n</background>\n";
    auto mean = [&](const std::string& children) {
        const Image image = Render(Load(SceneText(kWhite + Quad("Q", "W", 10) + sky +
            LightXml("hemilight", "samples=\"16\"", children), "background_name=\"B\"")));
        double sum = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                sum += Byte(image, x, y);
        return sum / (64 * 64);
    };
    EXPECT_NEAR(mean(""), 127, 3);
    EXPECT_NEAR(mean("<color r=\"0.5\" g=\"0.5\" b=\"0.5\"/>\n"), 63.3, 2);
}

TEST(Raytracer, TransformsNestAndNullsInstanceTheOriginal)
{
    const std::string tri = "<mesh>\n<points>\n<p x=\"0\" y=\"0\" z=\"0\"/>\n<p x=\"0.1\" y=\"0\" z=\"0\"/>\n"
                            "<p x=\"0\" y=\"0.1\" z=\"0\"/>\n</points>\n<faces>\n<f a=\"0\" b=\"1\" c=\"2\"/>\n</faces>\n</mesh>\n";
    const std::string body = kWhite +
        "<transform m00=\"2\" m11=\"2\" m22=\"2\">\n<transform m03=\"0.5\">\n"
        "<object name=\"A\" shader_name=\"W\">\n<attributes>\n</attributes>\n" + tri + "</object>\n"
        "<light type=\"pointlight\" name=\"P\">\n<from x=\"3\" y=\"0\" z=\"0\"/>\n</light>\n</transform>\n</transform>\n"
        "<transform m03=\"-1\">\n<object name=\"B\" shader_name=\"W\">\n<attributes>\n</attributes>\n" + tri + "</object>\n</transform>\n"
        "<transform m13=\"1\" m30=\"5\" m31=\"5\">\n<object name=\"C\" original=\"B\">\n<attributes>\n</attributes>\n<null/>\n</object>\n</transform>\n";
    const Scene scene = Load(SceneText(body));
    ASSERT_EQ(scene.objectNames.size(), 3u);
    auto first = [&](uint32_t object) {
        for (const Triangle& t : scene.triangles)
            if (t.object == object)
                return scene.points[t.v[0]];
        return Vec3(-99, -99, -99);
    };
    EXPECT_DOUBLE_EQ(first(0).x, 1);   // outer scale after the inner move
    EXPECT_DOUBLE_EQ(first(1).x, -1);
    EXPECT_DOUBLE_EQ(first(2).x, -1);  // the null: its own move on top of the original's
    EXPECT_DOUBLE_EQ(first(2).y, 1);
    ASSERT_EQ(scene.lights.size(), 1u);
    EXPECT_DOUBLE_EQ(scene.lights[0].from.x, 3);  // lights are not moved
}

TEST(Raytracer, AutosmoothAveragesFacesWithinTheAngle)
{
    // Two faces meeting at a 60 degree ridge along the y axis.
    const double s = std::sqrt(3.0);
    auto scene = [&](const char* angle) {
        return Load(SceneText(kWhite + "<object name=\"R\" shader_name=\"W\">\n<attributes>\n</attributes>\n<mesh autosmooth=\"" +
            angle + "\">\n<points>\n<p x=\"0\" y=\"0\" z=\"0\"/>\n<p x=\"0\" y=\"1\" z=\"0\"/>\n"
            "<p x=\"-1\" y=\"0\" z=\"" + std::to_string(-1 / s) + "\"/>\n<p x=\"1\" y=\"0\" z=\"" + std::to_string(-1 / s) + "\"/>\n"
            "</points>\n<faces>\n<f a=\"0\" b=\"1\" c=\"2\"/>\n<f a=\"0\" b=\"3\" c=\"1\"/>\n</faces>\n</mesh>\n</object>\n"));
    };
    const Scene flat = scene("30");
    for (size_t i = 0; i < flat.triangles.size(); ++i)
        for (int k = 0; flat.triangles[i].corners >= 0 && k < 3; ++k)
            EXPECT_NEAR(Dot(flat.cornerNormals[flat.triangles[i].corners + k], flat.faceNormals[i]), 1, 1e-9);
    const Scene smooth = scene("90");
    ASSERT_EQ(smooth.triangles.size(), 2u);
    ASSERT_GE(smooth.triangles[0].corners, 0);
    // The ridge vertices (0 and 1) share both faces: straight up; the outer one keeps its face.
    EXPECT_NEAR(smooth.cornerNormals[0].z, 1, 1e-9);
    EXPECT_NEAR(smooth.cornerNormals[1].z, 1, 1e-9);
    EXPECT_NEAR(Dot(smooth.cornerNormals[2], smooth.faceNormals[0]), 1, 1e-9);
    EXPECT_NEAR(smooth.faceNormals[0].z, std::cos(3.14159265358979 / 6), 1e-6);
}

TEST(Raytracer, HierarchyFindsTheSameNearestHitAsATestOfEveryTriangle)
{
    Scene scene;
    Hit none;
    EXPECT_FALSE(Bvh(scene).Intersect(Ray{Vec3(), Vec3(0, 0, 1)}, 0, 1e30, none));
    std::mt19937 random(7);
    std::uniform_real_distribution<double> at(-5, 5), small(-0.5, 0.5);
    for (int i = 0; i < 3000; ++i) {
        const Vec3 c(at(random), at(random), at(random));
        const uint32_t base = static_cast<uint32_t>(scene.points.size());
        for (int k = 0; k < 3; ++k)
            scene.points.push_back(c + Vec3(small(random), small(random), small(random)));
        scene.triangles.push_back(Triangle{.v = {base, base + 1, base + 2}, .object = 0, .shader = 0});
    }
    // Many triangles share one centre: the split must still end.
    for (int i = 0; i < 40; ++i)
        scene.triangles.push_back(scene.triangles[0]);
    scene.objectCastsShadow = {1};
    const Bvh bvh(scene);
    for (int r = 0; r < 500; ++r) {
        const Ray ray{Vec3(at(random), at(random), at(random)), Norm(Vec3(small(random), small(random), small(random)))};
        double best = 1e30;
        for (const Triangle& t : scene.triangles) {
            const Vec3 a = scene.points[t.v[0]], e1 = scene.points[t.v[1]] - a, e2 = scene.points[t.v[2]] - a;
            const Vec3 p = Cross(ray.dir, e2);
            const double det = Dot(e1, p), u = Dot(ray.origin - a, p) / det;
            const Vec3 q = Cross(ray.origin - a, e1);
            const double v = Dot(ray.dir, q) / det, d = Dot(e2, q) / det;
            if (u >= 0 && v >= 0 && u + v <= 1 && d > 0 && d < best)
                best = d;
        }
        Hit hit;
        const bool found = bvh.Intersect(ray, 0, 1e30, hit);
        ASSERT_EQ(found, best < 1e30) << r;
        if (found) {
            EXPECT_NEAR(hit.t, best, 1e-9) << r;
        }
        EXPECT_EQ(bvh.Occluded(ray, 1e30, 99, 0, 0), found) << r;
    }
}

TEST(Raytracer, BranchingRayTreesStayBounded)
{
    // Two facing panes that reflect and transmit everything: 2^32 rays per pixel without a bound.
    const std::string glass = ShaderXml("G", "generic", "<reflected r=\"1\" g=\"1\" b=\"1\"/>\n<transmitted r=\"1\" g=\"1\" b=\"1\"/>\n"
                                                        "<min_refle value=\"1\"/>\n");
    const std::string body = glass + Quad("A", "G", 10, 0) + Quad("B", "G", 10, 1) +
        "<background type=\"constant\" name=\"B\">\n<color r=\"0.1\" g=\"0.1\" b=\"0.1\"/>\n</background>\n";
    const Image image = Render(Load(SceneText(body, "raydepth=\"32\" background_name=\"B\"", 8)));
    EXPECT_GT(image.At(4, 4).r, 0.1);
}

TEST(Raytracer, GenericHighlightIsPhongAndBlenderHighlightIsBlinnWithEmit)
{
    const std::string sun = LightXml("sunlight", "", "<from x=\"0\" y=\"0\" z=\"1\"/>\n");
    const Scene generic = Load(SceneText(ShaderXml("S", "generic", "<specular r=\"1\" g=\"1\" b=\"1\"/>\n<hard value=\"20\"/>\n") +
                                         Quad("Q", "S", 10) + sun));
    const Scene blender = Load(SceneText(ShaderXml("S", "blendershader", "<color r=\"0.4\" g=\"0.4\" b=\"0.4\"/>\n"
        "<specular_color r=\"1\" g=\"1\" b=\"1\"/>\n<specular_amount value=\"0.3\"/>\n<hard value=\"20\"/>\n<emit value=\"0.1\"/>\n") +
        Quad("Q", "S", 10) + sun));
    const Image phong = Render(generic), blinn = Render(blender);
    const Renderer renderer(generic);
    for (int x : {32, 45, 60}) {
        const Ray ray = renderer.CameraRay(x + 0.5, 32.5);
        const Vec3 v = Norm(ray.origin - (ray.origin + ray.dir * (-ray.origin.z / ray.dir.z)));
        const Vec3 n(0, 0, 1), l(0, 0, 1);
        const Vec3 r = n * (2 * Dot(v, n)) - v;
        EXPECT_EQ(Byte(phong, x, 32), ToByte(std::pow(Dot(r, l), 20))) << x;
        const double blinnValue = 0.4 + 0.3 * std::pow(Norm(l + v).z, 20) + 0.4 * 0.1;
        EXPECT_EQ(Byte(blinn, x, 32), ToByte(blinnValue)) << x;
    }
}

TEST(Raytracer, FaceShadersOverrideTheObjectsAndUnknownShadersDropTheObject)
{
    const std::string shaders = ShaderXml("Red", "constant", "<color r=\"1\" g=\"0\" b=\"0\"/>\n") +
                                ShaderXml("Green", "constant", "<color r=\"0\" g=\"1\" b=\"0\"/>\n");
    const std::string mesh = "<mesh>\n<points>\n<p x=\"-1\" y=\"-1\" z=\"0\"/>\n<p x=\"1\" y=\"-1\" z=\"0\"/>\n"
        "<p x=\"1\" y=\"1\" z=\"0\"/>\n<p x=\"-1\" y=\"1\" z=\"0\"/>\n</points>\n<faces>\n"
        "<f a=\"0\" b=\"1\" c=\"2\" shader_name=\"Green\"/>\n<f a=\"0\" b=\"2\" c=\"3\" shader_name=\"Blue\"/>\n<f a=\"0\" b=\"1\" c=\"9\"/>\n"
        "</faces>\n</mesh>\n";
    const Scene scene = Load(SceneText(shaders +
        "<object name=\"A\" shader_name=\"Red\">\n<attributes>\n</attributes>\n" + mesh + "</object>\n"
        "<object name=\"B\" shader_name=\"Nowhere\">\n<attributes>\n</attributes>\n" + mesh + "</object>\n"));
    ASSERT_EQ(scene.objectNames, std::vector<std::string>{"A"});
    // The third face's index 9 is out of range and taken as 0: a degenerate face, never drawn.
    ASSERT_EQ(scene.triangles.size(), 2u);
    EXPECT_EQ(scene.shaders[scene.triangles[0].shader].name, "Green");
    EXPECT_EQ(scene.shaders[scene.triangles[1].shader].name, "Red");
    EXPECT_EQ(scene.warnings.size(), 3u);
}

TEST(Raytracer, CommentsHideObjectsLightsAndFaces)
{
    // A white quad under a sun; each commented part would change the centre if it were drawn.
    const std::string red = ShaderXml("R", "constant", "<color r=\"1\" g=\"0\" b=\"0\"/>\n");
    const std::string hidden = Quad("Hidden", "R", 1, 1);
    std::string quad = Quad("Q", "W", 10);
    quad.insert(quad.find("</points>"), "<p x=\"-1\" y=\"-1\" z=\"2\"/>\n<p x=\"1\" y=\"-1\" z=\"2\"/>\n<p x=\"0\" y=\"1\" z=\"2\"/>\n");
    quad.insert(quad.find("</faces>"), "<!-- <f a=\"4\" b=\"5\" c=\"6\" shader_name=\"R\"/> -->\n");
    const std::string body = kWhite + red + "<!-- section: objects -->\n<!--\n" + hidden + "-->\n" + quad +
        "<!-- " + LightXml("pointlight", "power=\"50\"", "<from x=\"0\" y=\"0\" z=\"1\"/>\n", "Hot") + " -->\n" +
        LightXml("sunlight", "", "<from x=\"0\" y=\"0\" z=\"1\"/>\n<color r=\"0.5\" g=\"0.5\" b=\"0.5\"/>\n");
    const Scene scene = Load(SceneText(body));
    EXPECT_EQ(scene.objectNames, std::vector<std::string>{"Q"});
    EXPECT_EQ(scene.lights.size(), 1u);
    const Image image = Render(scene);
    for (int channel = 0; channel < 3; ++channel)
        EXPECT_EQ(Byte(image, 32, 32, channel), 127) << channel;
}
