#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "editing/EditScript.h"
#include "editing/KeyPaths.h"
#include "editing/SceneSession.h"
#include "scene/FileIO.h"
#include "support/TempDir.h"

namespace kelvane::test {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSmallScene = R"(<scene>
<shader type="generic" name="Mat"><attributes><color r="1" g="1" b="1"/></attributes></shader>
<object name="Cube" shader_name="Mat"><attributes></attributes><mesh>
	<points>
		<p x="1" y="2" z="3"/>
	</points>
	<faces>
		<f a="0" b="0" c="0"/>
	</faces>
</mesh></object>
<light type="pointlight" name="Lamp" power="1"></light>
<camera name="Cam" resx="10"></camera>
<render camera_name="Cam"><outfile value="a.tga"/></render>
</scene>
)";

// A session whose work folder and scene live in a private temporary folder.
struct TSessionFixture {
    TSessionFixture() : session(dir.Path() / "work") { fs::create_directories(dir / "work"); }
    fs::path Scene(std::string_view text, const char* name = "scene.xml") { return dir.Write(name, text); }
    std::string RowsText() const
    {
        std::string out;
        for (const TElementRow& row : session.Rows())
            out += row.Text + "|";
        return out;
    }
    std::string Run(const std::string& script)
    {
        std::istringstream in(script);
        std::ostringstream out;
        RunEditScript(session, in, out);
        return out.str();
    }
    bool WorkFolderEmpty() const { return fs::is_empty(dir / "work"); }

    TempDir dir;
    TSceneSession session;
};

TEST(SceneSessionGolden, WrittenScenesMatch)
{
    // Each folder holds scene.xml, an optional script.txt (edit script), expected.xml (the scene
    // as Save as writes it afterwards) and an optional output.txt (what the script printed).
    const fs::path root = fs::path(KELVANE_TEST_DATA) / "golden";
    const bool regenerate = std::getenv("KELVANE_REGENERATE_GOLDEN") != nullptr;
    int cases = 0;
    for (const auto& entry : fs::directory_iterator(root)) {
        if (!entry.is_directory())
            continue;
        ++cases;
        const fs::path folder = entry.path();
        SCOPED_TRACE(folder.filename().string());
        TSessionFixture f;
        const fs::path scene = f.Scene(ReadAll(folder / "scene.xml"));
        f.session.OpenScene({scene});
        std::string printed;
        if (FileExists(folder / "script.txt"))
            printed = f.Run(ReadAll(folder / "script.txt"));
        f.session.SaveAs(f.dir / "out.xml");
        const std::string written = ReadAll(f.dir / "out.xml");
        if (regenerate) {
            WriteFileAtomic(folder / "expected.xml", written);
            if (!printed.empty())
                WriteFileAtomic(folder / "output.txt", printed);
        }
        EXPECT_EQ(written, ReadAll(folder / "expected.xml"));
        EXPECT_EQ(printed, FileExists(folder / "output.txt") ? ReadAll(folder / "output.txt") : "");
        // The source file is never written by Save as.
        EXPECT_EQ(ReadAll(scene), ReadAll(folder / "scene.xml"));
        EXPECT_TRUE(f.WorkFolderEmpty());
    }
    EXPECT_GE(cases, 3);
}

TEST(SceneSessionOpen, FailedOpenKeepsThePreviousScene)
{
    TSessionFixture f;
    const fs::path good = f.Scene(kSmallScene);
    f.session.OpenScene({good});
    f.session.SelectRow(f.session.FindRow("light -- Lamp"));
    f.session.SetValue("light.light.power", "Lamp.light", "4");
    const std::string rows = f.RowsText();
    const struct {
        const char* name;
        std::string text;
    } broken[] = {{"unclosed.xml", "<scene><light name=\"x\"></scene>"},
                  {"binary.xml", std::string("\x00\x01\x02<<<\xFF", 7)},
                  {"empty.xml", ""}};
    for (const auto& b : broken) {
        SCOPED_TRACE(b.name);
        const fs::path bad = f.Scene(b.text, b.name);
        EXPECT_THROW(f.session.OpenScene({bad, good}), EKelvaneError);
        EXPECT_TRUE(f.session.HasScene());
        EXPECT_EQ(f.session.OpenFiles(), std::vector<fs::path>{good});
        EXPECT_EQ(f.RowsText(), rows);
        EXPECT_EQ(f.session.Caption(), "Kelvane  --  scene.xml");
        EXPECT_EQ(f.session.RecentFiles(), std::vector<fs::path>{good});
        EXPECT_TRUE(f.WorkFolderEmpty());
    }
    EXPECT_THROW(f.session.OpenScene({f.dir / "missing.xml"}), EFileError);
    // The open scene still saves whole, with the pending edit.
    f.session.Save();
    const std::string saved = ReadAll(good);
    EXPECT_NE(saved.find("name=\"Lamp.light\" power=\"4\""), std::string::npos);
    EXPECT_NE(saved.find("\t\t<p x=\"1\" y=\"2\" z=\"3\"/>\r\n"), std::string::npos);
}

TEST(SceneSessionOpen, RecentFilesAreMatchedByExactPathAndReferencesStayValid)
{
    TSessionFixture f;
    const fs::path first = f.Scene(kSmallScene, "First.xml");
    const fs::path second = f.Scene(kSmallScene, "second.xml");
    const TWorkingElement* working = &f.session.Working();
    const TNameValueList& presence = f.session.PresenceTable();
    f.session.Save();  // nothing open: nothing happens
    f.session.OpenScene({first});
    f.session.OpenScene({second});
    EXPECT_THROW(f.session.OpenScene({f.dir / "FIRST.XML"}), EFileError);  // no change to the list
    f.session.RecentFiles().push_back(f.dir / "SECOND.XML");
    f.session.OpenScene({second});
    EXPECT_EQ(f.session.RecentFiles(), (std::vector<fs::path>{second, first}));
    EXPECT_EQ(f.RowsText(), "light -- Lamp|object -- Cube|render -- Cam|shader -- Mat|");
    EXPECT_EQ(f.session.SelectedRow(), -1);
    // The working element and presence table handed out before stay valid across opens.
    EXPECT_EQ(working, &f.session.Working());
    EXPECT_EQ(presence.Values("Lamp"), "100");
    f.session.SelectRow(f.session.FindRow("light -- Lamp"));
    EXPECT_EQ(f.session.GetValue("light.light.power", "Lamp.light"), "1");
}

TEST(SceneSessionSave, SaveAsThenSaveWritesTheNewPath)
{
    TSessionFixture f;
    const fs::path scene = f.Scene(kSmallScene);
    const std::string original = ReadAll(scene);
    f.session.OpenScene({scene});
    f.session.SaveAs(f.dir / "copy.xml");
    EXPECT_EQ(f.session.OpenFiles()[0], f.dir / "copy.xml");
    // The caption names the file Save now writes.
    EXPECT_EQ(f.session.Caption(), "Kelvane  --  copy.xml");
    f.session.SelectRow(f.session.FindRow("render -- Cam"));
    f.session.SetValue("render.outfile.value", "", "b.tga");
    f.session.Save();
    EXPECT_EQ(ReadAll(scene), original);
    EXPECT_NE(ReadAll(f.dir / "copy.xml").find("<outfile value=\"b.tga\"/>"), std::string::npos);
    EXPECT_TRUE(f.WorkFolderEmpty());
}

TEST(SceneSessionSave, FailedCopyIsReportedAndTheOldFileSurvives)
{
    TSessionFixture f;
    const fs::path scene = f.Scene(kSmallScene);
    f.session.OpenScene({scene});
    EXPECT_THROW(f.session.SaveAs(f.dir / "no-such-folder" / "x.xml"), EFileError);
    EXPECT_EQ(f.session.OpenFiles()[0], scene);
    // A target that is a folder cannot be replaced.
    fs::create_directories(f.dir / "taken.xml");
    EXPECT_THROW(f.session.SaveAs(f.dir / "taken.xml"), EFileError);
    EXPECT_TRUE(fs::is_directory(f.dir / "taken.xml"));
    EXPECT_TRUE(f.WorkFolderEmpty());
    // A failed write keeps the old file and the open scene.
    f.session.SelectRow(f.session.FindRow("object -- Cube"));
    f.session.SetValue("object.fake_mesh.mesh", "Cube", "9");
    const std::string before = ReadAll(scene);
    EXPECT_THROW(f.session.Save(), EListError);
    EXPECT_EQ(ReadAll(scene), before);
    EXPECT_NE(Narrow(f.session.Document()->GetXML(0, 0)).find("<fake_mesh mesh=\"9\"/>"), std::string::npos);
}

// Save as into another folder takes the pictures the scene names below its folder along, never
// over a different file; a failed save takes them back.
TEST(SceneSessionSave, SaveAsCarriesTheTexturesAlong)
{
    TSessionFixture f;
    f.dir.Write("maps/grain.jpg", "grain");
    f.dir.Write("sky.jpg", "sky");
    f.dir.Write("outside.jpg", "far");
    f.dir.Write("new/sky.jpg", "mine");
    fs::create_directories(f.dir / "sub");
    std::string text(kSmallScene);
    text.insert(8, "<texture name=\"t1\" type=\"image\"><filename value=\"maps/grain.jpg\"/></texture>"
                   "<texture name=\"t2\" type=\"image\" filename=\"sky.jpg\"></texture>"
                   "<texture name=\"t3\" type=\"image\"><filename value=\"../outside.jpg\"/></texture>"
                   "<texture name=\"t4\" type=\"image\"><filename value=\"" + (f.dir / "sky.jpg").string() + "\"/></texture>");
    const fs::path scene = f.Scene(text, "sub/scene.xml");
    fs::copy(f.dir / "maps", f.dir / "sub/maps");
    fs::copy_file(f.dir / "sky.jpg", f.dir / "sub/sky.jpg");
    f.session.OpenScene({scene});

    fs::create_directories(f.dir / "failing/copy.xml");
    EXPECT_THROW(f.session.SaveAs(f.dir / "failing/copy.xml"), EFileError);
    EXPECT_FALSE(fs::exists(f.dir / "failing/maps/grain.jpg"));
    EXPECT_FALSE(fs::exists(f.dir / "failing/sky.jpg"));

    EXPECT_EQ(f.session.SaveAs(f.dir / "new/copy.xml"), "Copied 2 texture files to " + (f.dir / "new").string() + ".");
    EXPECT_EQ(ReadAll(f.dir / "new/maps/grain.jpg"), "grain");
    EXPECT_EQ(ReadAll(f.dir / "new/sky.jpg"), "mine");
    EXPECT_EQ(ReadAll(f.dir / "new/sky-1.jpg"), "sky");
    EXPECT_FALSE(fs::exists(f.dir / "outside.jpg.copy"));
    const std::string saved = ReadAll(f.dir / "new/copy.xml");
    EXPECT_NE(saved.find("filename=\"sky-1.jpg\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("value=\"../outside.jpg\""), std::string::npos) << saved;
    // The renamed reference is part of the saved state, not an unsaved edit.
    EXPECT_FALSE(f.session.Modified());
    // Into the same folder nothing is copied.
    EXPECT_EQ(f.session.SaveAs(f.dir / "new/again.xml"), "");
}

// The work files go with the signals that end the program.
TEST(SceneSessionWriteDeathTest, EndingSignalsRemoveTheRenderingFile)
{
    TSessionFixture f;
    f.session.OpenScene({f.Scene(kSmallScene)});
    EXPECT_EXIT(
        {
            RemoveTempFilesOnSignals();
            f.session.WriteScene();
            if (fs::exists(f.session.RenderingFile()))
                std::raise(SIGHUP);
        },
        ::testing::KilledBySignal(SIGHUP), "");
    EXPECT_TRUE(f.WorkFolderEmpty());
}

TEST(SceneSessionWrite, UncheckedRowsStayInTheOpenScene)
{
    TSessionFixture f;
    f.session.OpenScene({f.Scene(kSmallScene)});
    const int light = f.session.FindRow("light -- Lamp");
    EXPECT_TRUE(f.session.SetRowChecked(light, false));
    f.session.WriteScene();
    const std::string first = ReadAll(f.session.RenderingFile());
    EXPECT_EQ(first.find("<light"), std::string::npos);
    EXPECT_NE(first.find("<render"), std::string::npos);
    // No row selected: the working element is back on the document, with nothing to commit.
    EXPECT_TRUE(f.session.Working().IsDocument());
    f.session.SetRowChecked(light, true);
    f.session.CommitEdit();
    f.session.WriteScene();
    EXPECT_NE(ReadAll(f.session.RenderingFile()).find("name=\"Lamp.light\""), std::string::npos);
    // With a row selected, the row is held again after the write.
    f.session.SelectRow(light);
    f.session.WriteScene();
    EXPECT_EQ(f.session.GetValue("light.light.power", "Lamp.light"), "1");
    EXPECT_EQ(f.session.Working().Mark(0), u"0");
    f.session.DeleteRenderingFile();
}

TEST(SceneSessionRows, AddRenameRemoveKeepSortAndSelection)
{
    TSessionFixture f;
    f.session.OpenScene({f.Scene(kSmallScene)});
    f.session.SelectRow(f.session.FindRow("object -- Cube"));
    EXPECT_EQ(f.session.AddRow("background -- Sky"), 0);
    EXPECT_EQ(f.session.SelectedName(), "Cube");
    EXPECT_EQ(f.session.AddRow("object -- apple"), 2);
    const int render = f.session.FindRow("render -- Cam");
    f.session.SelectRow(render);
    EXPECT_EQ(f.session.SelectedKind(), "render");
    const int renamed = f.session.SetRowText(render, "render -- Alt");
    EXPECT_EQ(renamed, f.session.FindRow("render -- Alt"));
    EXPECT_EQ(f.session.SelectedName(), "Alt");
    f.session.RemoveRow(f.session.FindRow("background -- Sky"));
    EXPECT_EQ(f.RowsText(), "light -- Lamp|object -- apple|object -- Cube|render -- Alt|shader -- Mat|");
    EXPECT_EQ(f.session.SelectedName(), "Alt");
    EXPECT_THROW(f.session.SelectRow(99), EListError);
}

TEST(SceneSessionRows, NamesInAnyEncodingTravelByteForByte)
{
    // A Latin-1 byte (not UTF-8), UTF-8 and a light made of parts, through rows, edits and a save.
    TSessionFixture f;
    const std::string scene = "<scene>\n<shader type=\"generic\" name=\"Caf\xE9\"></shader>\n"
                              "<shader type=\"generic\" name=\"Gl\xC3\xA4s\"></shader>\n"
                              "<light type=\"pointlight\" name=\"L\xE9.light\" power=\"1\"></light>\n"
                              "<render camera_name=\"\"></render>\n</scene>\n";
    const fs::path file = f.Scene(scene);
    f.session.OpenScene({file});
    EXPECT_EQ(f.RowsText(), "light -- L\xE9|render -- |shader -- Caf\xE9|shader -- Gl\xC3\xA4s|");
    f.session.SelectRow(f.session.FindRow("shader -- Caf\xE9"));
    f.session.SetValue("shader.shader.name", "Caf\xE9", "Caf\xE9\xE9");
    f.session.SelectRow(f.session.FindRow("light -- L\xE9"));
    f.session.SetValue("light.light.power", "L\xE9.light", "2");
    EXPECT_EQ(f.session.GetValue("light.light.power", "L\xE9.light"), "2");
    EXPECT_EQ(f.session.PresenceTable().Values("L\xE9"), "100");
    f.session.CommitEdit();
    f.session.Save();
    const std::string saved = ReadAll(file);
    EXPECT_NE(saved.find("name=\"Caf\xE9\xE9\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("name=\"Gl\xC3\xA4s\""), std::string::npos);
    EXPECT_NE(saved.find("name=\"L\xE9.light\" power=\"2\""), std::string::npos);
}

TEST(SceneSessionScript, WordsAndErrors)
{
    EXPECT_EQ(SplitScriptWords(R"(set  "a b" "" x\y "q\"\\" mid"dle part"end)"),
              (std::vector<std::string>{"set", "a b", "", "x\\y", "q\"\\", "middle partend"}));
    EXPECT_THROW(SplitScriptWords("get \"open"), EKelvaneError);

    TSessionFixture f;
    const fs::path scene = f.Scene(kSmallScene);
    f.session.OpenScene({scene});
    const struct {
        const char* script;
        int line;
        const char* message;
    } errors[] = {
        {"\n# note\nselect \"light -- Nope\"\n", 3, "no such row: \"light -- Nope\""},
        {"select \"object -- Cube\"\nset object.color.r Cube red 1", 2, "'red' is not a valid floating point value"},
        {"set a b", 1, "usage: set PATH NAME VALUE [KIND]"},
        {"set a b c 3", 1, "KIND must be 0, 1 or 2: \"3\""},
    };
    for (const auto& e : errors) {
        SCOPED_TRACE(e.script);
        try {
            f.Run(e.script);
            ADD_FAILURE() << "no error";
        } catch (const EScriptError& error) {
            EXPECT_EQ(error.Line(), e.line);
            EXPECT_STREQ(error.what(), e.message);
        }
    }
    EXPECT_EQ(ReadAll(scene), std::string(kSmallScene));
}

} // namespace
} // namespace kelvane::test
