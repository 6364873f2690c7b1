// Known answers of the ray tracer's global illumination: pathlight levels and quirks, sphere
// lights and the global photon map, with small pictures and few samples.
#include <gtest/gtest.h>

#include "RaytracerScenes.h"

using namespace kelvane::test::rt;

namespace {

std::string Pathlight(const std::string& attributes, const std::string& name = "P")
{
    return LightXml("pathlight", attributes, "", name);
}

// The same scene seen from below: the camera at (0, 0, -5) looking up at the origin.
std::string FromBelow(std::string text)
{
    text.replace(text.find("<from x=\"0\" y=\"0\" z=\"5\"/>"), 25, "<from x=\"0\" y=\"0\" z=\"-5\"/>");
    text.replace(text.find("<up x=\"0\" y=\"1\" z=\"5\"/>"), 23, "<up x=\"0\" y=\"1\" z=\"-5\"/>");
    return text;
}

double Mean(const std::string& body, const std::string& render = "", int res = 32)
{
    return MeanByte(Render(Load(SceneText(body, render, res))));
}

} // namespace

TEST(RaytracerGi, PathlightGathersTwoThirdsOfAnOpenSky)
{
    const std::string sky = Sky(1);
    const std::string render = "background_name=\"B\"";
    EXPECT_NEAR(Mean(kWhite + Quad("Q", "W", 10) + sky + Pathlight("samples=\"16\""), render), 169.5, 2);
    EXPECT_NEAR(Mean(kWhite + Quad("Q", "W", 10) + sky + Pathlight("samples=\"16\" power=\"0.5\""), render), 84.5, 1.5);
    EXPECT_NEAR(Mean(kWhite + Quad("Q", "W", 10) + sky + Pathlight("mode=\"occlusion\""), render), 169.5, 2);
    // A constant shader takes no light but keeps its colour, and the pathlight adds to it.
    const std::string half = ShaderXml("K", "constant", "<color r=\"0.5\" g=\"0.5\" b=\"0.5\"/>\n");
    EXPECT_NEAR(Mean(half + Quad("Q", "K", 10) + sky + Pathlight(""), render), 212, 2);
    // The hemilight beside it: half the open sky.
    EXPECT_NEAR(Mean(kWhite + Quad("Q", "W", 10) + sky + LightXml("hemilight", "", ""), render), 127, 2);
}

TEST(RaytracerGi, PathlightBouncesSeeOnlyShadowCastersAndIndirectLights)
{
    // A floor seen from above and a huge ceiling behind the camera; the floor casts no shadow,
    // so a sun from below reaches the whole ceiling.
    auto floor = [](const std::string& shader, const std::string& ceilingShader, const std::string& ceilingExtra,
                    const std::string& lights) {
        return Mean(shader + ceilingShader + Quad("Floor", "F", 3, 0, "shadow=\"off\"") +
                    Quad("Ceiling", "C", 1000, 6, ceilingExtra) + lights);
    };
    const std::string white = ShaderXml("F", "generic", "<color r=\"1\" g=\"1\" b=\"1\"/>\n");
    const std::string halfFloor = ShaderXml("F", "generic", "<color r=\"0.5\" g=\"0.5\" b=\"0.5\"/>\n");
    const std::string glowing = ShaderXml("C", "constant", "<color r=\"1\" g=\"1\" b=\"1\"/>\n");
    const std::string whiteCeiling = ShaderXml("C", "generic", "<color r=\"1\" g=\"1\" b=\"1\"/>\n");
    const std::string halfCeiling = ShaderXml("C", "generic", "<color r=\"0.5\" g=\"0.5\" b=\"0.5\"/>\n");
    const std::string sun = LightXml("sunlight", "power=\"0.9\"", "<from x=\"0\" y=\"0\" z=\"-1\"/>\n", "S");
    const std::string path = Pathlight("depth=\"1\"");
    EXPECT_NEAR(floor(white, glowing, "", path), 169.5, 2);
    EXPECT_EQ(floor(white, glowing, "shadow=\"off\"", path), 0);
    EXPECT_NEAR(floor(white, whiteCeiling, "", sun + path), 152.5, 2);
    EXPECT_EQ(floor(white, whiteCeiling, "", LightXml("sunlight", "power=\"0.9\" use_in_indirect=\"off\"",
                                                      "<from x=\"0\" y=\"0\" z=\"-1\"/>\n", "S") + path), 0);
    EXPECT_NEAR(floor(halfFloor, halfCeiling, "", sun + path), 37.8, 1);

    // Between two white planes a path never fades: the sample's ray budget ends it.
    const std::string box = white + whiteCeiling + Quad("Floor", "F", 1000) + Quad("Ceiling", "C", 1000, 6) +
                            LightXml("pointlight", "power=\"9\"", "<from x=\"0\" y=\"0\" z=\"3\"/>\n", "Bulb");
    EXPECT_GT(MeanByte(Render(Load(SceneText(box + Pathlight("samples=\"4096\" depth=\"64\""), "", 4)))), 0);

    // direct="on" counts the ordinary light again through the diffuse colour.
    const std::string half = ShaderXml("H", "generic", "<color r=\"0.5\" g=\"0.5\" b=\"0.5\"/>\n");
    const std::string overhead = LightXml("sunlight", "", "<from x=\"0\" y=\"0\" z=\"1\"/>\n", "S");
    EXPECT_NEAR(Mean(half + Quad("Q", "H", 10) + overhead + Pathlight("direct=\"on\"")), 191, 1);
    EXPECT_NEAR(Mean(half + Quad("Q", "H", 10) + overhead), 127, 1);
}

TEST(RaytracerGi, SphereLightsAndTheGlobalPhotonMapOfTheirNameOrder)
{
    auto centre = [](const std::string& sphere) {
        const Image image = Render(Load(SceneText(kWhite + Quad("Q", "W", 10) +
            LightXml("spherelight", "power=\"3.5\" " + sphere, "<from x=\"0\" y=\"0\" z=\"2\"/>\n"))));
        return Byte(image, 32, 32);
    };
    EXPECT_NEAR(centre("radius=\"0.005\""), 222, 1);
    EXPECT_NEAR(centre("radius=\"1\" samples=\"64\""), 188, 4);
    EXPECT_EQ(centre("radius=\"1\" dummy=\"on\""), 0);

    // A dummy sphere two units below a white quad lights it only through the photon map, which
    // a pathlight reads when the map's name sorts before its own.
    auto lit = [](const std::string& mapName) {
        const std::string body = kWhite + Quad("Q", "W", 10) +
            LightXml("spherelight", "power=\"2\" dummy=\"on\"", "<from x=\"0\" y=\"0\" z=\"-2\"/>\n", "Glow") +
            LightXml("globalphotonlight", "", "", mapName) + Pathlight("direct=\"on\"", "b_path");
        const Image image = Render(Load(FromBelow(SceneText(body))));
        return Byte(image, 32, 32);
    };
    EXPECT_NEAR(lit("a_gpm"), 80, 8);
    EXPECT_EQ(lit("z_gpm"), 0);
}

TEST(RaytracerGi, SunskyGroundFadesToBlackAndALowSunDimsIt)
{
    const Scene scene = Load(SceneText("<background type=\"sunsky\" name=\"B\">\n<from x=\"1\" y=\"0\" z=\"0.2\"/>\n</background>\n",
                                       "background_name=\"B\""));
    const Renderer renderer(scene);
    EXPECT_EQ(renderer.BackgroundColor(Vec3(0, 0, -1)).Max(), 0);
    double last = renderer.BackgroundColor(Vec3(1, 0, 0)).Max();
    EXPECT_GT(last, 0.2);
    for (int degrees = 5; degrees <= 85; degrees += 10) {
        const double a = degrees * 3.14159265358979 / 180;
        const double level = renderer.BackgroundColor(Vec3(std::cos(a), 0, -std::sin(a))).Max();
        EXPECT_LT(level, last) << degrees;
        last = level;
    }
    // Towards the sun the ground is dimmer than the horizon faded alone would be: its direction
    // keeps its shorter horizontal part, farther from the sun.
    const double a = 30 * 3.14159265358979 / 180;
    const double fade = 1 - (1.0 / 3) * (1.0 / 3) * (3 - 2.0 / 3);
    EXPECT_LT(renderer.BackgroundColor(Vec3(std::cos(a), 0, -std::sin(a))).Max(),
              0.9 * fade * renderer.BackgroundColor(Vec3(1, 0, 0)).Max());
}
