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
