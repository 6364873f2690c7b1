// kelvane-scene check --render, compare, history, and render with --threads and --region.
#include "render/RenderHistory.h"
#include "render/Targa.h"
#include "support/Process.h"
#include "support/SampleScene.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

using kelvane::test::ReadAll;
using kelvane::test::TempDir;
namespace fs = std::filesystem;

namespace {

kelvane::test::TProcessResult Cli(const TempDir& dir, const std::vector<std::string>& args,
                                  const std::string& program = KELVANE_SCENE_EXE)
{
    kelvane::test::TProcessOptions options;
    fs::create_directories(dir / "tmp");
    options.tempFolder = dir / "tmp";
    options.workFolder = dir.Path();
    fs::create_directories(dir / "scratch");
    return kelvane::test::RunProcess(dir / "scratch", program, args, options);
}

std::string Sample(const std::string& from = {}, const std::string& to = {})
{
    std::string text = kelvane::test::SampleScene();
    if (!from.empty())
        text.replace(text.find(from), from.size(), to);
    return text;
}

// A renderer that writes down the arguments it was given.
std::string ArgumentRecorder(const TempDir& dir)
{
    const fs::path script = dir.Write("recorder.sh", "#!/bin/sh\necho \"$@\" >> \"" + (dir / "args.txt").string() + "\"\n");
    fs::permissions(script, fs::perms::owner_all);
    return script.string();
}

} // namespace

TEST(CliIterate, CheckRenderListsFindingsWithLinesAndExitsThree)
{
    TempDir dir;
    dir.Write("wood.jpg", ReadAll(fs::path(KELVANE_SOURCE_DIR) / "data/samples/wood.jpg"));
    dir.Write("good.xml", Sample());
    dir.Write("bad.xml", Sample("camera_name=\"Front\"", "camera_name=\"Nowhere\""));
    auto r = Cli(dir, {"check", "--render", "good.xml"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "good.xml: ok\n");
    r = Cli(dir, {"check", "--render", "good.xml", "bad.xml"});
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(r.out, "good.xml: ok\nbad.xml: render (line 139): camera \"Nowhere\" is no element\n");
    // Without --render the renderer's view is not asked for.
    EXPECT_EQ(Cli(dir, {"check", "bad.xml"}).status, 0);
    EXPECT_EQ(Cli(dir, {"render", "--render", "good.xml"}).status, 2);
    EXPECT_EQ(Cli(dir, {"check", "--render", "missing.xml"}).status, 1);
}

TEST(CliIterate, CompareAndHistoryPrintTheEditorsFigures)
{
    TempDir dir;
    kelvane::TPicture a = kelvane::TPicture::Make(2, 2, 3), b = a;
    b.pixels[0] = 200;
    kelvane::SaveTarga(dir / "a.tga", a);
    kelvane::SaveTarga(dir / "b.tga", b);
    kelvane::SaveTarga(dir / "c.tga", kelvane::TPicture::Make(3, 2, 3));
    auto r = Cli(dir, {"compare", "a.tga", "b.tga"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "mean difference R G B: 50.000 0.000 0.000\nchanged pixels: 25.00%\n");
    r = Cli(dir, {"compare", "a.tga", "c.tga"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "kelvane-scene: The pictures differ in size: 2x2 and 3x2.\n");

    // The history of the program folder beside the program.
    fs::create_directory(dir / "program");
    fs::copy_file(KELVANE_SCENE_EXE, dir / "program/kelvane-scene");
    dir.Write("program/Pellith.ini", "[System]\n");
    kelvane::TRenderHistory history(dir / "program/history");
    const fs::path scene = dir / "shot.xml";
    kelvane::THistoryRecord record{scene, 2.04, "yafray", {}, std::nullopt, {{"light.light.power", "Lamp", "25"}}, &a, {}};
    ASSERT_TRUE(history.Record(record, {}));
    record.settings = {{"light.light.power", "Lamp", "60"}, {"render.render.gamma", "", "2"}};
    const auto second = history.Record(record, {});
    ASSERT_TRUE(second);
    fs::create_directory(dir / "program/history/7");
    r = Cli(dir, {"history", "shot.xml"}, (dir / "program/kelvane-scene").string());
    EXPECT_EQ(r.status, 0) << r.err;
    const auto entries = history.Entries(scene);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(r.out, "2\t" + entries[0].date + "\t2.0\t2x2\tlight.light.power Lamp: 25 -> 60; render.render.gamma: (none) -> 2\n"
                     "1\t" + entries[1].date + "\t2.0\t2x2\t\n");
    EXPECT_EQ(r.err, "History entry 7 is damaged (no entry.txt); it is skipped.\n");
}

TEST(CliIterate, ThreadsGoToTheRendererNeverAboveTheBlockCount)
{
    TempDir dir;
    const std::string recorder = ArgumentRecorder(dir);
    dir.Write("wood.jpg", ReadAll(fs::path(KELVANE_SOURCE_DIR) / "data/samples/wood.jpg"));
    dir.Write("big.xml", Sample());
    dir.Write("small.xml", Sample("resx=\"640\" resy=\"480\"", "resx=\"64\" resy=\"64\""));
    Cli(dir, {"render", "big.xml", "--threads", "3", "--renderer", recorder});
    Cli(dir, {"render", "small.xml", "--threads", "3", "--renderer", recorder});
    Cli(dir, {"render", "big.xml", "--threads", "1", "--renderer", recorder});
    // Without the option: "System"/"Threads" of the settings beside the program.
    fs::create_directory(dir / "program");
    fs::copy_file(KELVANE_SCENE_EXE, dir / "program/kelvane-scene");
    dir.Write("program/Pellith.ini", "[System]\nEXEPath=" + recorder + "\nThreads=5\n");
    Cli(dir, {"render", "big.xml"}, (dir / "program/kelvane-scene").string());
    // Each line without its last word, the scene file's temporary path.
    std::string options;
    std::istringstream lines(ReadAll(dir / "args.txt"));
    for (std::string line; std::getline(lines, line);)
        options += line.substr(0, line.rfind(' ') == std::string::npos ? 0 : line.rfind(' ')) + "|";
    EXPECT_EQ(options, "-c 3|||-c 5|");
    EXPECT_EQ(Cli(dir, {"render", "big.xml", "--threads", "0"}).status, 2);
    EXPECT_EQ(Cli(dir, {"check", "big.xml", "--threads", "2"}).status, 2);
    EXPECT_EQ(Cli(dir, {"render", "big.xml", "small.xml", "--region", "0:1:0:1"}).status, 2);
}

TEST(CliIterate, RegionRenderChangesOnlyTheRectangleToTheFullRendersPixels)
{
    TempDir dir;
    dir.Write("wood.jpg", ReadAll(fs::path(KELVANE_SOURCE_DIR) / "data/samples/wood.jpg"));
    auto render = [&](const std::string& scene, std::vector<std::string> extra) {
        dir.Write("shot.xml", scene);
        std::vector<std::string> args{"render", "shot.xml", "--renderer", KELVANE_STANDIN_EXE};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto r = Cli(dir, args);
        EXPECT_EQ(r.status, 0) << r.err;
        return ReadAll(dir / "shot.tga");
    };
    const std::string changed = Sample("power=\"25\"", "power=\"80\"");
    const std::string before = render(Sample(), {"--threads", "2"});
    const std::string full = render(changed, {"--threads", "1"});
    ASSERT_NE(before, full);
    dir.Write("shot.tga", before);
    const kelvane::TPicture composite = kelvane::DecodeTarga(render(changed, {"--region", "-0.5:0.25:-0.25:0.5"}));
    const kelvane::TPicture a = kelvane::DecodeTarga(before), b = kelvane::DecodeTarga(full);
    ASSERT_EQ(composite.pixels.size(), a.pixels.size());
    size_t wrong = 0, changedInside = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const bool inside = x >= 160 && x < 400 && y >= 120 && y < 300;
            const size_t at = (size_t(y) * size_t(a.width) + size_t(x)) * 3;
            const auto& expected = inside ? b.pixels : a.pixels;
            wrong += !std::equal(&expected[at], &expected[at] + 3, &composite.pixels[at]);
            changedInside += inside && !std::equal(&a.pixels[at], &a.pixels[at] + 3, &b.pixels[at]);
        }
    EXPECT_EQ(wrong, 0u);
    EXPECT_GT(changedInside, 0u);
    // Without an earlier picture the region picture is kept: black outside.
    fs::remove(dir / "shot.tga");
    const kelvane::TPicture alone = kelvane::DecodeTarga(render(changed, {"--region", "-0.5:0.25:-0.25:0.5"}));
    EXPECT_EQ(alone.Row(0)[0] + alone.Row(0)[1] + alone.Row(0)[2], 0);
    EXPECT_TRUE(std::equal(alone.Row(200) + 200 * 3, alone.Row(200) + 201 * 3, b.Row(200) + 200 * 3));
}
