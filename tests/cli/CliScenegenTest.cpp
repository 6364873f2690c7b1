// kelvane-scenegen writes scenes the reader takes whole, not only after the stash.
#include "scene/skDom.h"
#include "scene/skParser.h"
#include "scene/TextCodec.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

using namespace kelvane;
using kelvane::test::ReadAll;
using kelvane::test::TempDir;

namespace {

int Shell(const std::string& command)
{
    return std::system(command.c_str());
}

} // namespace

TEST(CliScenegen, OutputIsAValidSceneWithTheAskedCounts)
{
    TempDir dir;
    struct Case {
        const char* options;
        int objects, shaders, lights;
        bool crlf;
    };
    const Case cases[] = {
        {"--objects 3 --faces 5 --shaders 2 --lights 7", 3, 2, 7, false},
        {"--objects 1 --faces 1 --shaders 1 --lights 0 --textures 0 --crlf", 1, 1, 0, true},
    };
    for (const Case& c : cases) {
        const auto file = dir / "g.xml";
        ASSERT_EQ(Shell(std::string(KELVANE_SCENEGEN_EXE) + " " + c.options + " -o " + file.string()), 0);
        const std::string bytes = ReadAll(file);
        EXPECT_EQ(bytes.find("\r\n") != std::string::npos, c.crlf) << c.options;
        // Transforms and meshes included: the reader parses the raw file.
        TXMLParser parser;
        parser.TrimText = true;
        ASSERT_NO_THROW(parser.LoadFromFile(file)) << c.options;
        std::unique_ptr<TDomDocument> doc;
        ASSERT_NO_THROW(doc = parser.CreateDocument()) << c.options;
        EXPECT_EQ(doc->GetElementsByTagName(u"object")->Length(), c.objects);
        EXPECT_EQ(doc->GetElementsByTagName(u"transform")->Length(), c.objects);
        EXPECT_EQ(doc->GetElementsByTagName(u"shader")->Length(), c.shaders);
        EXPECT_EQ(doc->GetElementsByTagName(u"light")->Length(), c.lights);
        EXPECT_EQ(doc->GetElementsByTagName(u"render")->Length(), 1);
        const std::string check = (dir / "check.txt").string();
        EXPECT_EQ(Shell(std::string(KELVANE_SCENE_EXE) + " check " + file.string() + " > " + check), 0);
        EXPECT_EQ(ReadAll(check), file.string() + ": ok\n");
    }
}

TEST(CliScenegen, TargetSizeIsMet)
{
    TempDir dir;
    const auto file = dir / "big.xml";
    ASSERT_EQ(Shell(std::string(KELVANE_SCENEGEN_EXE) + " --size 3 --faces 100 -o " + file.string()), 0);
    const auto size = std::filesystem::file_size(file);
    EXPECT_GE(size, 3u << 20);
    EXPECT_LT(size, (3u << 20) + (64u << 10));
}
