// kelvane-scene run as a program, on files in a private temporary folder.
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <random>
#include <string>
#include <vector>

using kelvane::test::ReadAll;
using kelvane::test::TempDir;
namespace fs = std::filesystem;

namespace {

using TResult = kelvane::test::TProcessResult;

// Runs kelvane-scene with TMPDIR inside dir.
TResult RunScene(const TempDir& dir, std::vector<std::string> args, bool keepOutput = true, int timeoutSeconds = 120)
{
    kelvane::test::TProcessOptions options;
    options.tempFolder = dir / "tmp";
    options.keepOutput = keepOutput;
    options.timeoutSeconds = timeoutSeconds;
    return kelvane::test::RunProcess(dir.Path(), KELVANE_SCENE_EXE, args, options);
}

size_t EntriesIn(const fs::path& folder)
{
    size_t n = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(folder))
        ++n;
    return n;
}

const char* const kScene =
    "<scene>\n"
    "\t<!-- exported -->\n"
    "\t<shader type=\"generic\" name=\"Mat\">\n\t\t<attributes>\n\t\t</attributes>\n\t</shader>\n"
    "\t<transform m00=\"1\">\n\t<object name=\"Obj\" shader_name=\"Mat\">\n\t\t<mesh>\n"
    "\t\t\t<points>\n\t\t\t\t<p x=\"0\" y=\"0\" z=\"0\"/>\n\t\t\t</points>\n"
    "\t\t\t<faces>\n\t\t\t\t<f a=\"0\" b=\"0\" c=\"0\"/>\n\t\t\t</faces>\n"
    "\t\t</mesh>\n\t</object>\n\t</transform>\n"
    "\t<render camera_name=\"Cam\">\n\t</render>\n"
    "</scene>\n";

} // namespace

TEST(CliCheck, OneLinePerFileWithOkOrTheExactError)
{
    TempDir dir;
    const std::string good = dir.Write("scenes/good.xml", kScene).string();
    const std::string empty = dir.Write("scenes/empty.xml", "").string();
    const std::string cutEnd = dir.Write("scenes/cut.xml", "<scene>\n<shader name=\"a\">\n").string();
    const std::string missing = (dir / "scenes/missing.xml").string();
    const std::string folder = (dir / "scenes").string();
    const TResult r = RunScene(dir, {"check", good, empty, cutEnd, missing, folder});
    ASSERT_TRUE(r.exited) << r.err;
    EXPECT_EQ(r.status, 1);
    // An empty file is refused as File > Open refuses it.
    EXPECT_EQ(r.out, good + ": ok\n" + empty + ": There is no scene in the file \"" + empty + "\"\n" + cutEnd +
                         ": There is no corresponding tag:shader\n" + missing +
                         ": Cannot open file \"" + missing + "\". No such file or directory\n" + folder +
                         ": " + folder + " is not a file.\n");
    // Nothing left beside the scenes, and the private temporary folder is gone.
    EXPECT_EQ(EntriesIn(dir / "scenes"), 3u);
    EXPECT_EQ(EntriesIn(dir / "tmp"), 0u);
    // --where: reading errors as FILE:LINE:COLUMN: MESSAGE, other failures as before.
    const TResult w = RunScene(dir, {"check", "--where", good, empty, cutEnd, missing});
    EXPECT_EQ(w.status, 1);
    EXPECT_EQ(w.out, good + ": ok\n" + empty + ": There is no scene in the file \"" + empty + "\"\n" + cutEnd +
                         ":2:18: There is no corresponding tag:shader (the file ends inside shader)\n" + missing +
                         ": Cannot open file \"" + missing + "\". No such file or directory\n");
    EXPECT_EQ(RunScene(dir, {"tree", "--where", good}).status, 2);
}

// A device or a FIFO is refused at once, without reading from it: a FIFO with no writer would
// block the reader.
TEST(CliCheck, SpecialFilesAreNotFiles)
{
    TempDir dir;
    const std::string fifo = (dir / "pipe.xml").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const TResult r = RunScene(dir, {"check", "/dev/null", fifo}, true, 20);
    ASSERT_TRUE(r.exited) << "blocked on the FIFO";
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "/dev/null: /dev/null is not a file.\n" + fifo + ": " + fifo + " is not a file.\n");
}

TEST(CliCheck, ExitStatusAndUsage)
{
    TempDir dir;
    const std::string good = dir.Write("good.xml", kScene).string();
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* outHas;
        const char* errHas;
    };
    const Case cases[] = {
        {{"check", good, good}, 0, ": ok\n", ""},
        {{"--help"}, 0, "Usage: kelvane-scene", ""},
        {{}, 2, "", "Usage: kelvane-scene"},
        {{"check"}, 2, "", "check needs FILE..."},
        {{"frobnicate", good}, 2, "", "unknown command 'frobnicate'"},
        {{"check", "--bogus", good}, 2, "", "unknown option '--bogus'"},
        {{"check", "--", "-dash.xml"}, 1, "-dash.xml: Cannot open file", ""},
        {{"save", good, "out.xml", "--leave-out"}, 2, "", "--leave-out needs ROW"},
        {{"check", good, "--leave-out", "light -- Lamp"}, 2, "", "--leave-out is an option of save"},
    };
    for (const Case& c : cases) {
        const TResult r = RunScene(dir, c.args);
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.status, c.status) << (c.args.empty() ? "" : c.args[0]);
        EXPECT_NE(r.out.find(c.outHas), std::string::npos) << r.out;
        EXPECT_NE(r.err.find(c.errHas), std::string::npos) << r.err;
    }
}

TEST(CliTree, PrintsOneNodePerLineWithEscapes)
{
    TempDir dir;
    const std::string file = dir.Write("t.xml",
        "<scene>\n<shader name=\"a\\b\" note='say \"hi\"'>t\t\"q\"\\<![CDATA[x\ny]]>&amp;<b k=\"\"/></shader>\n"
        "<render>\n</render>\n</scene>\n").string();
    const TResult r = RunScene(dir, {"tree", file});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "<scene>\n"
              "  <shader name=\"a\\\\b\" note=\"say \\\"hi\\\"\">\n"
              "    #text \"t\\t\\\"q\\\"\\\\\"\n"
              "    #cdata-section \"x\\r\\ny\"\n"
              "    &amp;\n"
              "    <b k=\"\">\n"
              "  <render>\n");
    // The mesh data of a scene stays in the stash: the tree shows its placeholder.
    const std::string scene = dir.Write("s.xml", kScene).string();
    const TResult s = RunScene(dir, {"tree", scene});
    ASSERT_TRUE(s.exited);
    EXPECT_NE(s.out.find("  <fake_transform trns=\"0\">\n    <object name=\"Obj\""), std::string::npos) << s.out;
    EXPECT_NE(s.out.find("<fake_mesh mesh=\"0\">"), std::string::npos);
    // A failure is reported on standard error in the form check uses.
    const std::string bad = dir.Write("bad.xml", "<a>").string();
    const TResult b = RunScene(dir, {"tree", bad});
    EXPECT_EQ(b.status, 1);
    EXPECT_EQ(b.err, bad + ": There is no corresponding tag:a\n");
}

TEST(CliBadInput, NothingCrashesOrHangs)
{
    TempDir dir;
    std::mt19937 rng(5);
    std::string garbage(1 << 20, '\0');
    for (char& c : garbage)
        c = static_cast<char>(rng());
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    deep += "x";
    for (int i = 0; i < 100000; ++i)
        deep += "</a>";
    const std::string huge = "<scene><shader name=\"" + std::string(50u << 20, 'v') + "\"></shader></scene>";
    const std::string utf16("\xFF\xFE<\0s\0\0", 7);  // cut in the middle of a unit
    const struct {
        const char* name;
        std::string bytes;
        int status;
    } cases[] = {
        {"garbage.bin", garbage, 1},
        {"deep.xml", deep, 0},
        {"huge.xml", huge, 0},
        {"half16.xml", utf16, 1},
        {"nul.xml", std::string("<a>\0</a>", 8), 1},
    };
    for (const auto& c : cases) {
        const std::string file = dir.Write(c.name, c.bytes).string();
        const TResult r = RunScene(dir, {"check", file});
        ASSERT_TRUE(r.exited) << c.name << " " << r.err;
        EXPECT_EQ(r.status, c.status) << c.name << " " << r.out;
        EXPECT_EQ(r.out.rfind(file + ": ", 0), 0u) << c.name;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << c.name;
        const TResult t = RunScene(dir, {"tree", file}, false);
        ASSERT_TRUE(t.exited) << c.name << " " << t.err;
        EXPECT_EQ(t.status, c.status) << c.name;
    }
    EXPECT_EQ(EntriesIn(dir / "tmp"), 0u);
}
