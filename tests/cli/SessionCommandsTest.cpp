#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/Process.h"
#include "support/TempDir.h"

namespace kelvane::test {
namespace {

namespace fs = std::filesystem;

const fs::path kGolden = fs::path(KELVANE_TEST_DATA) / "golden";

using TResult = TProcessResult;

// Runs a program with arguments (and optional standard input) in dir.
TResult RunProgram(const TempDir& dir, const std::string& program, const std::vector<std::string>& args,
            const std::string& input = "")
{
    TProcessOptions options;
    options.workFolder = dir.Path();
    options.input = input;
    return RunProcess(dir.Path(), program, args, options);
}

TResult Scene(const TempDir& dir, const std::vector<std::string>& args, const std::string& input = "")
{
    return RunProgram(dir, KELVANE_SCENE_EXE, args, input);
}

// Mesh blocks ("<points" through "</faces>") of a text, line ends made LF.
std::vector<std::string> MeshBlocks(std::string text)
{
    std::string lf;
    for (char c : text)
        if (c != '\r')
            lf += c;
    std::vector<std::string> blocks;
    for (size_t at = 0; (at = lf.find("<points", at)) != std::string::npos;) {
        const size_t end = lf.find("</faces>", at);
        blocks.push_back(lf.substr(at, end + 8 - at));
        at = end;
    }
    return blocks;
}

TEST(SessionCommandsList, RowsInListOrder)
{
    TempDir dir;
    const std::string scene = ReadAll(kGolden / "blender-roundtrip" / "scene.xml");
    dir.Write("scene.xml", scene);
    const TResult r = Scene(dir, {"list", "scene.xml"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "[x] background -- World\n[x] filter -- \n[x] light -- Lamp\n[x] light -- Spot_001\n"
                     "[x] object -- Cube\n[-] render -- Camera\n[x] shader -- Mat.001\n");
    EXPECT_EQ(ReadAll(dir / "scene.xml"), scene);

    const TResult missing = Scene(dir, {"list", "nope.xml"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("nope.xml"), std::string::npos) << missing.err;
    dir.Write("broken.xml", "<scene><light></scene>");
    const TResult broken = Scene(dir, {"list", "broken.xml"});
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.out, "");
    EXPECT_NE(broken.err.find("broken.xml: "), std::string::npos) << broken.err;
}

TEST(SessionCommandsSave, LeaveOutRowsAsTheGoldenScene)
{
    TempDir dir;
    const std::string scene = ReadAll(kGolden / "leave-out" / "scene.xml");
    dir.Write("scene.xml", scene);
    TResult r = Scene(dir, {"save", "scene.xml", "out.xml", "--leave-out", "light -- Lamp", "--leave-out", "filter -- ",
                            "--leave-out", "object -- Cube"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(dir / "out.xml"), ReadAll(kGolden / "leave-out" / "expected.xml"));
    EXPECT_EQ(ReadAll(dir / "scene.xml"), scene);

    struct Bad {
        std::vector<std::string> args;
        const char* message;
    };
    const Bad bad[] = {
        {{"save", "scene.xml", "bad.xml", "--leave-out", "render -- Camera"},
         "the check box of row \"render -- Camera\" cannot be changed"},
        {{"save", "scene.xml", "bad.xml", "--leave-out", "light -- Nope"}, "no such row: \"light -- Nope\""},
        {{"save", "scene.xml", "missing-folder/bad.xml"}, "missing-folder"},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.args.back());
        r = Scene(dir, b.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(b.message), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir / "bad.xml"));
    }
    EXPECT_EQ(ReadAll(dir / "scene.xml"), scene);
}

TEST(SessionCommandsEdit, GoldenScriptFromFileAndFromStandardInput)
{
    TempDir dir;
    dir.Write("scene.xml", ReadAll(kGolden / "key-path-edits" / "scene.xml"));
    const std::string script = ReadAll(kGolden / "key-path-edits" / "script.txt");
    dir.Write("script.txt", script + "save out.xml\n");
    TResult r = Scene(dir, {"edit", "scene.xml", "script.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, ReadAll(kGolden / "key-path-edits" / "output.txt"));
    EXPECT_EQ(ReadAll(dir / "out.xml"), ReadAll(kGolden / "key-path-edits" / "expected.xml"));

    r = Scene(dir, {"edit", "scene.xml"}, script + "save stdin.xml\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(dir / "stdin.xml"), ReadAll(kGolden / "key-path-edits" / "expected.xml"));
}

TEST(SessionCommandsEdit, ErrorStopsTheScriptAfterWhatWasSaved)
{
    TempDir dir;
    const std::string scene = ReadAll(kGolden / "blender-roundtrip" / "scene.xml");
    dir.Write("scene.xml", scene);
    const struct {
        const char* script;
        const char* message;
    } cases[] = {
        {"save first.xml\n\nselect \"light -- Lamp\"\nbogus\nsave second.xml\n", "line 4: unknown command: \"bogus\""},
        {"save first.xml\nset \"unterminated\nsave second.xml\n", "line 2: unterminated quote"},
        {"save first.xml\nselect \"shader -- Mat.001\"\nset shader.color.r Mat.001 x 1\nsave second.xml\n",
         "line 3: 'x' is not a valid floating point value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        fs::remove(dir / "first.xml");
        const TResult r = Scene(dir, {"edit", "scene.xml"}, c.script);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_TRUE(fs::exists(dir / "first.xml"));
        EXPECT_FALSE(fs::exists(dir / "second.xml"));
        EXPECT_EQ(ReadAll(dir / "scene.xml"), scene);
    }
    // "save" alone writes FILE itself.
    const TResult r = Scene(dir, {"edit", "scene.xml"}, "select \"light -- Lamp\"\nset light.light.power Lamp.light 9\nsave\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(ReadAll(dir / "scene.xml").find("power=\"9\""), std::string::npos);
}

TEST(SessionCommandsSave, GeneratedScenesKeepEveryMeshBlock)
{
    for (const char* ends : {"--lf", "--crlf"}) {
        SCOPED_TRACE(ends);
        TempDir dir;
        TResult gen = RunProgram(dir, KELVANE_SCENEGEN_EXE,
                          {"--objects", "40", "--faces", "30", "--shaders", "5", "--lights", "4", "--textures", "3", ends,
                           "-o", "gen.xml"});
        ASSERT_EQ(gen.status, 0) << gen.err;
        const std::string source = ReadAll(dir / "gen.xml");
        TResult r = Scene(dir, {"save", "gen.xml", "out.xml"});
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string out = ReadAll(dir / "out.xml");
        const std::vector<std::string> before = MeshBlocks(source), after = MeshBlocks(out);
        ASSERT_EQ(before.size(), 40u);
        EXPECT_EQ(after, before);
        EXPECT_EQ(out.find('\n'), out.find("\r\n") + 1);
        // The saved scene opens again with the same rows, and saves to the same bytes.
        const TResult first = Scene(dir, {"list", "gen.xml"});
        const TResult second = Scene(dir, {"list", "out.xml"});
        EXPECT_EQ(first.out, second.out);
        EXPECT_EQ(std::count(first.out.begin(), first.out.end(), '\n'), 40 + 5 + 4 + 2);  // and a background and the render row
        r = Scene(dir, {"save", "out.xml", "again.xml"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(ReadAll(dir / "again.xml"), out);
    }
}

} // namespace
} // namespace kelvane::test
