// The pre-flight check: one scene per finding, and the lines the findings name.
#include "render/PreflightCheck.h"
#include "scene/MeshStash.h"
#include "scene/SceneReading.h"
#include "scene/TextCodec.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace kelvane;
using kelvane::test::TempDir;

namespace {

// A scene that renders: every reference found, a picture file beside it.
std::string Scene(const std::string& replace = {}, const std::string& with = {})
{
    std::string text =
        "<scene>\n"
        "<texture name=\"wood\" type=\"image\"><filename value=\"wood.jpg\"/></texture>\n"
        "<shader type=\"generic\" name=\"Mat\">\n<attributes><color r=\"1\" g=\"1\" b=\"1\"/></attributes>\n"
        "<modulator texname=\"wood\" mode=\"mix\"/>\n</shader>\n"
        "<camera name=\"Cam\" resx=\"640\" resy=\"480\" focal=\"1\"><from x=\"0\" y=\"0\" z=\"5\"/><to x=\"0\" y=\"0\" z=\"0\"/><up x=\"0\" y=\"1\" z=\"5\"/></camera>\n"
        "<background type=\"constant\" name=\"Sky\"><color r=\"0\" g=\"0\" b=\"1\"/></background>\n"
        "<render camera_name=\"Cam\" background_name=\"Sky\" raydepth=\"3\" AA_passes=\"2\">\n<outfile value=\"out/a.tga\"/>\n</render>\n"
        "<object name=\"Cube\" shader_name=\"Mat\">\n<attributes>\n</attributes>\n<mesh>\n<points>\n"
        "<p x=\"0\" y=\"0\" z=\"0\"/>\n</points>\n<faces>\n</faces>\n</mesh>\n</object>\n"
        "</scene>\n";
    if (!replace.empty())
        text.replace(text.find(replace), replace.size(), with);
    return text;
}

std::vector<std::string> Findings(const std::string& text, std::vector<TElementRow> rows = {})
{
    TempDir dir;
    dir.Write("wood.jpg", "picture");
    std::filesystem::create_directory(dir / "out");
    const auto file = dir.Write("scene.xml", text);
    TMeshStash stash;
    const auto document = ReadSceneFile(file, stash, dir / "fake.tmp");
    TPreflightScene scene{document.get(), dir.Path(), std::move(rows), true};
    std::vector<TPreflightFinding> findings = PreflightCheck(scene);
    AttachLines(findings, text);
    std::vector<std::string> lines;
    for (const TPreflightFinding& f : findings)
        lines.push_back(FindingText(f));
    return lines;
}

using Lines = std::vector<std::string>;

} // namespace

TEST(PreflightCheck, OneFindingPerScene)
{
    EXPECT_EQ(Findings(Scene()), Lines{});
    const struct {
        const char* replace;
        const char* with;
        const char* finding;
    } cases[] = {
        {"camera_name=\"Cam\"", "camera_name=\"Front\"", "render (line 9): camera \"Front\" is no element"},
        {"background_name=\"Sky\"", "background_name=\"Night\"", "render (line 9): background \"Night\" is no element"},
        {"shader_name=\"Mat\"", "shader_name=\"Steel\"", "object Cube (line 12): shader \"Steel\" is no element"},
        {"texname=\"wood\"", "texname=\"oak\"", "shader Mat (line 3): modulator texture \"oak\" is no element"},
        {"<attributes><color", "<attributes><input value=\"Other\"/><color",
         "shader Mat (line 3): input shader \"Other\" is no element"},
        {"wood.jpg", "oak.jpg", "texture wood (line 2): the image file \"oak.jpg\" does not exist"},
        {"out/a.tga", "gone/a.tga", "render (line 9): the output folder of \"gone/a.tga\" does not exist"},
        {"resx=\"640\"", "resx=\"0\"", "camera Cam (line 7): resx 0 is out of range (1 to 65535)"},
        {"resy=\"480\"", "resy=\"4x\"", "camera Cam (line 7): resy \"4x\" is not a whole number"},
        {"AA_passes=\"2\"", "AA_passes=\"-1\"", "render (line 9): AA_passes -1 is out of range (0 to 1024)"},
        {"AA_passes=\"2\"", "AA_pixelwidth=\"3\"", "render (line 9): AA_pixelwidth 3 is out of range (1 to 2)"},
        {"raydepth=\"3\"", "raydepth=\"0\"", "render (line 9): raydepth 0 is out of range (1 to 64)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Findings(Scene(c.replace, c.with)), Lines{c.finding}) << c.with;
    std::string empty = Scene();
    empty.erase(empty.find("<object"), empty.find("</scene>") - empty.find("<object"));
    EXPECT_EQ(Findings(empty), Lines{"scene: nothing is visible: there is no object, or every object is left out"});
}

TEST(PreflightCheck, LeftOutElementsCountAsAbsent)
{
    EXPECT_EQ(Findings(Scene(), {{"object -- Cube", false, true}, {"camera -- Cam", false, true}}),
              (Lines{"render (line 9): camera \"Cam\" is left out",
                     "scene: nothing is visible: there is no object, or every object is left out"}));
    // A parameter given as a child tag counts as well.
    std::string child = Scene(" raydepth=\"3\"", "");
    child.replace(child.find("<outfile"), 0, "<raydepth value=\"0\"/>\n");
    EXPECT_EQ(Findings(child),
              Lines{"render (line 9): raydepth 0 is out of range (1 to 64)"});
}
