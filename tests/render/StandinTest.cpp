// The stand-in renderer against the renderer contract, run through the runner.
#include "render/ProcessRunner.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

using namespace kelvane;
using kelvane::test::ReadAll;
using kelvane::test::TempDir;

namespace {

const char* const kScene =
    "<scene>\n<camera name=\"Cam\" resx=\"700\" resy=\"70\" focal=\"1\">\n<from x=\"0\" y=\"0\" z=\"1\"/>\n"
    "<to x=\"0\" y=\"0\" z=\"0\"/>\n<up x=\"0\" y=\"1\" z=\"1\"/>\n</camera>\n"
    "<render camera_name=\"Cam\">\n<outfile value=\"pics/out.tga\"/>\nMODE</render>\n</scene>\n";

std::string Scene(const std::string& mode)
{
    std::string text = kScene;
    text.replace(text.find("MODE"), 4, mode.empty() ? "" : "<standin_mode value=\"" + mode + "\"/>\n");
    return text;
}

} // namespace

TEST(Standin, PictureAtTheRelativeOutfileOfTheCameraSize)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "pics");
    const auto scene = dir.Write("s.xml", Scene(""));
    std::string out, err;
    ASSERT_TRUE(RunRenderer({KELVANE_STANDIN_EXE, scene, dir.Path(), false}, out, err));
    // 11 x 2 blocks of 64 x 64: three '#'.
    EXPECT_EQ(out, "\rRender pass: [###]\nSaving Targa file as pics/out.tga\nOK\n");
    const std::string tga = ReadAll(dir / "pics/out.tga");
    ASSERT_EQ(tga.size(), 18u + 700 * 70 * 3);
    EXPECT_EQ(static_cast<unsigned char>(tga[12]) + 256 * static_cast<unsigned char>(tga[13]), 700);
    EXPECT_EQ(static_cast<unsigned char>(tga[14]), 70);
    EXPECT_EQ(tga[16], 24);
}

TEST(Standin, BrokenMeshDataIsReportedNotDrawn)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "pics");
    const std::string mesh =
        "<shader type=\"generic\" name=\"S\">\n<attributes>\n</attributes>\n</shader>\n"
        "<object name=\"O\" shader_name=\"S\">\n<attributes>\n</attributes>\n<mesh>\n<points>\n"
        "<p x=\"0\" y=\"oops\" z=\"0\"/>\n</points>\n<faces>\n<f a=\"0\" b=\"0\" c=\"0\"/>\n</faces>\n</mesh>\n</object>\n";
    std::string text = Scene("");
    text.insert(text.find("<camera"), mesh);
    const auto scene = dir.Write("m.xml", text);
    std::string out, err;
    ASSERT_TRUE(RunRenderer({KELVANE_STANDIN_EXE, scene, dir.Path(), false}, out, err));
    EXPECT_EQ(out.rfind("Failed\nError", 0), 0u) << out;
    EXPECT_NE(out.find("\"O\""), std::string::npos) << out;
    EXPECT_FALSE(std::filesystem::exists(dir / "pics/out.tga"));
}

TEST(Standin, ThreadAndRegionOptionsKeepEveryDrawnPixel)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "pics");
    // A soft-edged area light and anti-aliasing: random numbers and resampling in every pixel.
    std::string text = Scene("");
    text.insert(text.find("<camera"),
        "<shader type=\"generic\" name=\"S\">\n<attributes>\n<color r=\"1\" g=\"1\" b=\"1\"/>\n</attributes>\n</shader>\n"
        "<object name=\"O\" shader_name=\"S\">\n<attributes>\n</attributes>\n<mesh>\n<points>\n"
        "<p x=\"-3\" y=\"-0.3\" z=\"-1\"/>\n<p x=\"3\" y=\"-0.2\" z=\"-1\"/>\n<p x=\"0.2\" y=\"0.3\" z=\"-1\"/>\n</points>\n"
        "<faces>\n<f a=\"0\" b=\"1\" c=\"2\"/>\n</faces>\n</mesh>\n</object>\n"
        "<light type=\"arealight\" name=\"A\" samples=\"4\">\n<a x=\"-1\" y=\"-1\" z=\"0\"/>\n<b x=\"-1\" y=\"1\" z=\"0\"/>\n"
        "<c x=\"1\" y=\"1\" z=\"0\"/>\n<d x=\"1\" y=\"-1\" z=\"0\"/>\n<color r=\"1\" g=\"1\" b=\"1\"/>\n</light>\n");
    text.replace(text.find("<render camera_name=\"Cam\""), 25, "<render camera_name=\"Cam\" AA_passes=\"2\" AA_minsamples=\"2\"");
    const auto scene = dir.Write("s.xml", text);
    auto render = [&](std::vector<std::string> options) {
        std::vector<std::string> argv{"yafray"};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.push_back(scene.string());
        std::string out, err;
        std::filesystem::remove(dir / "pics/out.tga");
        EXPECT_TRUE(RunRenderer({KELVANE_STANDIN_EXE, scene, dir.Path(), false, argv}, out, err));
        return std::pair{out, ReadAll(dir / "pics/out.tga")};
    };
    const std::string one = render({}).second;
    ASSERT_EQ(one.size(), 18u + 700 * 70 * 3);
    EXPECT_EQ(render({"-c", "2"}).second, one);
    // Columns 100 to 349 and rows 10 to 39 (x from -1 at the left, y from -1 at the bottom).
    const auto [out, region] = render({"-c", "1", "-r", "-0.7142857:0:-0.142857:0.7142857"});
    EXPECT_EQ(out, "\rRender pass: [###]\nSaving Targa file as pics/out.tga\nOK\n");
    ASSERT_EQ(region.size(), one.size());
    int lit = 0;
    for (int y = 0; y < 70; ++y)
        for (int x = 0; x < 700; ++x) {
            const size_t at = 18 + (static_cast<size_t>(y) * 700 + x) * 3;
            const bool inside = x >= 100 && x < 350 && y >= 10 && y < 40;
            const std::string expected = inside ? one.substr(at, 3) : std::string(3, '\0');
            ASSERT_EQ(region.substr(at, 3), expected) << x << "," << y;
            lit += inside && one[at] != 0;
        }
    EXPECT_GT(lit, 1000);

    // 22 blocks: 23 threads are refused without a picture, as are malformed options.
    const auto [refused, none] = render({"-c", "23"});
    EXPECT_EQ(refused.find("Saving"), std::string::npos);
    EXPECT_TRUE(none.empty());
    for (const auto& bad : std::vector<std::vector<std::string>>{{"-c", "0"}, {"-r", "0:1:0"}, {"-x", "1"}})
        EXPECT_TRUE(render(bad).second.empty()) << bad[0] << " " << bad[1];
}
