// Render history, picture comparison, region pasting and the settings difference.
#include "render/PictureCompare.h"
#include "render/RenderHistory.h"
#include "render/RenderRegion.h"
#include "render/SceneSettings.h"
#include "scene/MeshStash.h"
#include "scene/SceneReading.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace kelvane;
using kelvane::test::TempDir;
namespace fs = std::filesystem;

namespace {

TPicture Filled(int w, int h, std::uint8_t value, int channels = 3)
{
    TPicture p = TPicture::Make(w, h, channels);
    std::fill(p.pixels.begin(), p.pixels.end(), value);
    return p;
}

std::vector<TSettingValue> Settings(const TempDir& dir, const std::string& scene)
{
    TMeshStash stash;
    const auto document = ReadSceneFile(dir.Write("s.xml", scene), stash, dir / "fake.tmp");
    return SceneSettings(*document);
}

const char* const kScene =
    "<scene>\n<light type=\"pointlight\" name=\"Lamp\" power=\"POWER\">\n<from x=\"1\" y=\"2\" z=\"3\"/>\n</light>\n"
    "<object name=\"Cube\" shader_name=\"Mat\">\n<attributes>\n<caus_tcolor r=\"1\"/>\n</attributes>\n"
    "<mesh autosmooth=\"30\">\n<points>\n<p x=\"0\" y=\"0\" z=\"0\"/>\n</points>\n<faces>\n</faces>\n</mesh>\n</object>\n"
    "<render camera_name=\"Cam\" raydepth=\"3\"><outfile value=\"a.tga\"/></render>\n</scene>\n";

std::string WithPower(const std::string& power)
{
    std::string text = kScene;
    text.replace(text.find("POWER"), 5, power);
    return text;
}

} // namespace

TEST(PictureCompare, FiguresAndPictures)
{
    TPicture a = Filled(4, 2, 10), b = Filled(4, 2, 10);
    b.Row(1)[0] = 110;   // one pixel's red differs by 100
    b.Row(0)[3 + 2] = 0; // another pixel's blue by 10
    const TPictureDifference d = ComparePictures(a, b);
    EXPECT_DOUBLE_EQ(d.mean[0], 100.0 / 8);
    EXPECT_DOUBLE_EQ(d.mean[1], 0);
    EXPECT_DOUBLE_EQ(d.mean[2], 10.0 / 8);
    EXPECT_EQ(DifferenceText(d), "mean difference R G B: 12.500 0.000 1.250\nchanged pixels: 25.00%");
    EXPECT_EQ(DifferencePicture(a, b, 4).Row(0)[5], 40);
    EXPECT_EQ(DifferencePicture(a, b, 4).Row(1)[0], 255);  // clamped
    const TPicture split = SplitPicture(a, b, 1);
    EXPECT_EQ(split.Row(1)[0], 10);
    EXPECT_EQ(split.Row(0)[5], 0);
    EXPECT_THROW(ComparePictures(a, Filled(4, 3, 10)), EPictureError);
    // Alpha counts when both have it.
    TPicture c = Filled(1, 1, 5, 4), e = Filled(1, 1, 5, 4);
    e.pixels[3] = 6;
    EXPECT_DOUBLE_EQ(ComparePictures(c, e).changedShare, 1);
}

TEST(RenderRegion, CoordinatesThreadsAndPasting)
{
    // The top-right quarter of 640 x 480, as the renderer takes it.
    EXPECT_EQ(RegionArgument({320, 0, 640, 240}, 640, 480), "0:1:0:1");
    TPixelRect r;
    ASSERT_TRUE(ParseRegion("0:1:0:1", 640, 480, r));
    EXPECT_EQ(r, (TPixelRect{320, 0, 640, 240}));
    ASSERT_TRUE(ParseRegion("-0.5:-0.25:-1:0.5", 640, 480, r));
    EXPECT_EQ(r, (TPixelRect{160, 120, 240, 480}));
    for (const char* bad : {"0:1:0", "0:1:0:2", "a:1:0:1", "0.5:0.5:0:1", "0:1:0:1:", ""})
        EXPECT_FALSE(ParseRegion(bad, 640, 480, r)) << bad;
    EXPECT_EQ(GrowRect({0, 5, 640, 10}, 1, 640, 480), (TPixelRect{0, 4, 640, 11}));

    // Never more threads than 64 x 64 blocks; -c only above one thread.
    EXPECT_EQ(RenderThreads(8, 640, 480), 8);
    EXPECT_EQ(RenderThreads(8, 64, 128), 2);
    EXPECT_EQ(RenderThreads(0, 640, 480), 1);
    EXPECT_EQ(RendererOptions(1, ""), std::vector<std::string>{});
    EXPECT_EQ(RendererOptions(2, "0:1:0:1"), (std::vector<std::string>{"-c", "2", "-r", "0:1:0:1"}));
    EXPECT_EQ(ThreadsSetting("3"), 3);
    EXPECT_EQ(ThreadsSetting("x"), MachineCores());

    TPicture base = Filled(5, 4, 1), region = Filled(5, 4, 9);
    PasteRegion(base, region, {1, 1, 3, 2});
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(base.Row(y)[x * 3], (y == 1 && x >= 1 && x < 3) ? 9 : 1) << x << "," << y;
    EXPECT_THROW(PasteRegion(base, Filled(5, 4, 9, 4), {1, 1, 3, 2}), EPictureError);
    EXPECT_THROW(PasteRegion(base, region, {1, 1, 6, 2}), EPictureError);
}

TEST(SceneSettings, ChangesBetweenTwoScenes)
{
    TempDir dir;
    const auto before = Settings(dir, WithPower("30"));
    std::string changed = WithPower("60");
    changed.replace(changed.find(" raydepth=\"3\""), 13, "");
    changed.replace(changed.find("<outfile"), 0, "<gamma value=\"2.2\"/>");
    const auto after = Settings(dir, changed);
    EXPECT_EQ(ChangesText(SettingChanges(before, after)),
              "light.light.power Lamp: 30 -> 60; render.gamma.value: (none) -> 2.2; "
              "render.render.raydepth: 3 -> (none)");
    EXPECT_TRUE(SettingChanges(before, before).empty());
    // Mesh data stays out; the mesh's own settings and the attributes' parameters are in.
    bool autosmooth = false;
    for (const TSettingValue& v : before) {
        EXPECT_EQ(v.path.find(".p."), std::string::npos) << v.path;
        autosmooth = autosmooth || (v.path == "object.mesh.autosmooth" && v.name == "Cube");
    }
    EXPECT_TRUE(autosmooth);
    // The history file keeps values with tabs and line breaks.
    std::vector<TSettingValue> odd = {{"a.b.c", "N\tx", "1\n2\\"}}, back;
    ASSERT_TRUE(ParseSettingsFile(SettingsFileText(odd), back));
    EXPECT_EQ(back, odd);
    EXPECT_FALSE(ParseSettingsFile("only\ttwo\n", back));
}

TEST(RenderHistory, RecordsChangesBoundsAndSkipsDamagedEntries)
{
    TempDir dir;
    TRenderHistory history(dir / "history");
    const fs::path scene = dir / "shot.xml";
    // A damaged entry and a folder that is not the history's.
    fs::create_directories(dir / "history/1");
    dir.Write("history/1/entry.txt", "scene=" + scene.string() + "\nseconds=1\n");
    fs::create_directories(dir / "history/notes");

    const TPicture picture = Filled(40, 30, 7);
    THistoryRecord record{scene, 1.3, "/opt/yafray", {"-c", "2"}, std::nullopt, Settings(dir, WithPower("30")),
                          &picture, {}};
    const THistoryLimits roomy{10, 100};
    const auto first = history.Record(record, roomy);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->id, 2);
    EXPECT_TRUE(first->changes.empty());
    record.settings = Settings(dir, WithPower("60"));
    record.region = TPixelRect{1, 2, 3, 4};
    ASSERT_TRUE(history.Record(record, roomy));
    record.scene = dir / "other.xml";
    ASSERT_TRUE(history.Record(record, roomy));

    std::vector<std::string> damaged;
    const auto entries = history.Entries(scene, &damaged);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(damaged, std::vector<std::string>{"History entry 1 is damaged (no date); it is skipped."});
    const THistoryEntry& newest = entries.front();
    EXPECT_EQ(newest.id, 3);
    EXPECT_EQ(HistoryLine(newest), "3\t" + newest.date + "\t1.3\t40x30\tlight.light.power Lamp: 30 -> 60");
    EXPECT_EQ(newest.options, (std::vector<std::string>{"-c", "2"}));
    EXPECT_EQ(newest.region, (TPixelRect{1, 2, 3, 4}));
    EXPECT_TRUE(fs::exists(newest.Thumbnail()));

    // Past the count the oldest go first, the damaged one among them.
    record.scene = scene;
    ASSERT_TRUE(history.Record(record, {2, 100}));
    EXPECT_EQ(history.Entries({}).size(), 2u);
    EXPECT_FALSE(fs::exists(dir / "history/1"));
    EXPECT_TRUE(fs::exists(dir / "history/notes"));
    // Past the size too; the new entry stays even when it alone is over the bound.
    const TPicture big = Filled(400, 500, 3);
    record.picture = &big;
    ASSERT_TRUE(history.Record(record, {10, 1}));
    ASSERT_TRUE(history.Record(record, {10, 1}));
    EXPECT_EQ(history.Entries({}).size(), 1u);
    EXPECT_FALSE(history.Record(record, {0, 100}));
    EXPECT_TRUE(history.Remove(history.Entries({}).front().id));
    EXPECT_TRUE(history.Entries({}).empty());
    // Nothing half-made is left behind.
    for (const fs::path& p : kelvane::test::FolderEntries(dir / "history"))
        EXPECT_NE(p.filename().string().rfind(".new", 0), 0u) << p;
}
