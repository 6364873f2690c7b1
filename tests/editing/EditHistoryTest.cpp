// Undo and redo exactness over random edit sequences, the modified state, batches, the bound of
// the history and the journal's recovery.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "editing/AddElement.h"
#include "editing/SceneSession.h"
#include "scene/FileIO.h"
#include "scene/SceneWriter.h"
#include "support/SampleScene.h"
#include "support/TempDir.h"

namespace kelvane::test {
namespace {

namespace fs = std::filesystem;

struct THistoryFixture {
    explicit THistoryFixture(const std::string& text) : session(dir / "work")
    {
        fs::create_directories(dir / "work");
        scene = dir.Write("scene.xml", text);
        session.OpenScene({scene});
    }
    // The scene as a render writes it (a silent step of its own, as in the editor).
    std::string Written()
    {
        session.WriteScene();
        return ReadAll(session.RenderingFile());
    }
    // The same without a file: the committed tree as the writer takes it.
    std::string Text()
    {
        session.CommitEdit();
        std::vector<std::string> leftOut;
        for (const TElementRow& row : session.Rows())
            if (!row.Checked)
                leftOut.push_back(row.Text);
        return SceneTreeText(*session.Document(), session.PresenceTable(), leftOut);
    }
    int Row(const char* text) const { return session.FindRow(text); }

    TempDir dir;
    fs::path scene;
    TSceneSession session;
};

std::string GeneratedScene(const TempDir& dir)
{
    const fs::path out = dir / "generated.xml";
    const std::string command = std::string(KELVANE_SCENEGEN_EXE) +
                                " --objects 12 --faces 2 --shaders 5 --lights 4 --textures 4 -o " + out.string();
    if (std::system(command.c_str()) != 0)
        return {};
    return ReadAll(out);
}

// One random action of any kind the editor makes, mostly inside a step.
class TRandomEditor {
public:
    TRandomEditor(TSceneSession& session, uint32_t seed) : s_(session), random_(seed) {}

    void Act()
    {
        const int kind = Pick(20);
        try {
            if (kind == 0) {
                s_.SelectRow(Pick(s_.RowCount() + 1) - 1);
                return;
            }
            if (kind == 1) {
                // What a render or a save does to the session, without the file.
                s_.SelectRow(s_.SelectedRow());
                return;
            }
            TEditStep step(s_, "step " + std::to_string(kind));
            Edit(kind);
        } catch (const std::exception&) {
            // A refused edit leaves what it did so far; the history holds that too.
        }
    }

private:
    int Pick(int n) { return n <= 0 ? 0 : int(random_() % uint32_t(n)); }
    std::string Word()
    {
        static const char* const words[] = {"Lamp", "Wood", "x1", "an", "dof", "Glass0", "new.one"};
        return words[Pick(7)];
    }
    std::string Number() { return std::to_string(Pick(300)) + (Pick(2) ? ".5" : ""); }

    // A held element of the working element, with its tag and name; false when none.
    bool Held(std::string& tag, std::string& name, std::string& child, std::string& attribute)
    {
        const TDomNode* node = s_.Working().Node();
        if (!node || s_.Working().IsDocument() || node->ChildCount() == 0)
            return false;
        const TDomNode* held = node->FirstChild();
        for (int i = Pick(node->ChildCount()); i > 0 && held->NextSibling(); --i)
            held = held->NextSibling();
        const TDomElement* element = held->AsElement();
        if (!element)
            return false;
        tag = Narrow(element->TagName());
        name = Narrow(element->GetAttribute(tag == "modulator" ? u"texname" : u"name"));
        child = tag;
        const TDomElement* target = element;
        if (element->FirstChild() && Pick(2))
            if (const TDomElement* inner = element->FirstChild()->AsElement()) {
                child = Narrow(inner->TagName());
                target = inner;
            }
        attribute = target->AttributeCount() > 0 && Pick(3)
                        ? Narrow(target->AttributeName(Pick(target->AttributeCount())))
                        : std::string("extra");
        return true;
    }

    void Edit(int kind)
    {
        std::string tag, name, child, attribute;
        const bool held = Held(tag, name, child, attribute);
        switch (kind) {
        case 2:
        case 3:
        case 4:
            if (held)
                s_.SetValue(tag + "." + child + "." + attribute, name, Number(),
                            TKeyKind(tag == "modulator" ? 2 : Pick(2)));
            break;
        case 5:
            if (held)
                s_.DeleteValue(tag + "." + child + "." + (Pick(3) ? attribute : std::string()), name);
            break;
        case 6:
            if (held)
                s_.DeleteValue("scene." + tag + ".", name);
            break;
        case 7:
            if (held)
                s_.CopyElementAs(tag, name, name + "_copy");
            break;
        case 8:
            if (held)
                s_.ReviveHeld(Pick(2) ? std::string_view(name) : std::string_view("none"));
            if (held && Pick(2))
                s_.ReviveHeld(tag, name);
            break;
        case 9:
            if (held)
                s_.KeepAttributes(name, {"name", "power"});
            break;
        case 10:
            s_.SetPresence(Pick(2) && held ? name : Word(), Pick(2) ? "110" : "1000100000");
            break;
        case 11:
            if (Pick(2))
                s_.SetThumbnail(Word() + "_t", Number());
            else if (s_.ThumbnailIndex().Count() > 0)
                s_.ForgetThumbnail(s_.ThumbnailIndex().Name(Pick(s_.ThumbnailIndex().Count())));
            break;
        case 12:
            if (s_.RowCount() > 0) {
                const int row = Pick(s_.RowCount());
                s_.SetRowChecked(row, !s_.Row(row).Checked);
            }
            break;
        case 13:
            if (s_.RowCount() > 0 && Pick(2))
                s_.SetRowText(Pick(s_.RowCount()), "light -- " + Word());
            else
                s_.AddRow("shader -- " + Word(), Pick(2) != 0);
            break;
        case 14:
            if (s_.RowCount() > 1)
                s_.RemoveRow(Pick(s_.RowCount()));
            break;
        case 15:
            AddElement(s_, TNewElementType(Pick(5)), Word() + std::to_string(Pick(1000)));
            break;
        case 16:
            s_.BeginModulatorView();
            if (held)
                s_.SetValue("modulator.color.value", name + "0", Number(), TKeyKind::Modulator);
            s_.EndModulatorView();
            break;
        case 17:
            s_.SetValue("new.modulator.mode", Word() + "0", "add", TKeyKind::Modulator);
            break;
        case 18:
            s_.AddName(TNameList(Pick(3)), Word());
            break;
        default:
            s_.GetValue("modulator.color.value", Word());
            s_.CommitEdit();
            s_.BeginEdit(held ? tag : std::string("light"), held ? name : Word());
            break;
        }
    }

    TSceneSession& s_;
    std::mt19937 random_;
};

// Sequences of random edits: undoing them all writes what the start wrote, redoing them all
// what the end wrote; random undos and redos on the way change neither.
void CheckSequences(THistoryFixture& f, uint32_t firstSeed, int sequences, int length)
{
    for (uint32_t seed = firstSeed; seed < firstSeed + uint32_t(sequences); ++seed) {
        TRandomEditor editor(f.session, seed);
        std::mt19937 random(seed * 7919u);
        const uint64_t start = f.session.History().Position();
        const std::string before = f.Text();
        for (int i = 0; i < length; ++i) {
            editor.Act();
            if (random() % 8 == 0 && f.session.History().Position() != start)
                f.session.Undo();
            else if (random() % 8 == 0)
                f.session.Redo();
        }
        while (f.session.Redo()) {
        }
        const std::string after = f.Text();
        while (f.session.History().Position() != start)
            ASSERT_TRUE(f.session.Undo()) << "seed " << seed;
        ASSERT_EQ(f.Text(), before) << "undo, seed " << seed;
        while (f.session.Redo()) {
        }
        ASSERT_EQ(f.Text(), after) << "redo, seed " << seed;
    }
}

TEST(EditHistoryProperty, UndoAndRedoAreExactOnTheSample)
{
    THistoryFixture f(SampleScene());
    CheckSequences(f, 1, 1000, 8);
}

TEST(EditHistoryProperty, UndoAndRedoAreExactOnAGeneratedScene)
{
    TempDir dir;
    const std::string text = GeneratedScene(dir);
    ASSERT_FALSE(text.empty());
    THistoryFixture f(text);
    CheckSequences(f, 5000, 1000, 8);
}

TEST(EditHistory, StepsAreNamedAndMarkTheSceneModifiedUntilSaved)
{
    THistoryFixture f(SampleScene());
    EXPECT_FALSE(f.session.Modified());
    EXPECT_FALSE(f.session.CanUndo());
    f.session.SelectRow(f.Row("light -- Lamp"));  // a selection is no step
    EXPECT_FALSE(f.session.CanUndo());
    {
        TEditStep step(f.session, "Power");
        TEditStep inner(f.session, "inner");  // nested: one step
        f.session.SetValue("light.light.power", "Lamp.light", "30");
    }
    {
        TEditStep step(f.session, "Nothing");  // changes nothing: no step
        f.session.SetValue("light.light.power", "Lamp.light", "30");
    }
    EXPECT_EQ(f.session.UndoLabel(), "Power");
    EXPECT_TRUE(f.session.Modified());
    f.session.Save();
    EXPECT_FALSE(f.session.Modified());
    ASSERT_TRUE(f.session.Undo());
    EXPECT_TRUE(f.session.Modified());
    EXPECT_EQ(f.session.GetValue("light.light.power", "Lamp.light"), "25");
    EXPECT_EQ(f.session.RedoLabel(), "Power");
    ASSERT_TRUE(f.session.Redo());
    EXPECT_FALSE(f.session.Modified());  // back at the saved step
    // A new step after an undo drops the redo steps; the saved step is gone for good.
    f.session.Undo();
    {
        TEditStep step(f.session, "Power");
        f.session.SetValue("light.light.power", "Lamp.light", "7");
    }
    EXPECT_FALSE(f.session.CanRedo());
    f.session.Undo();
    EXPECT_TRUE(f.session.Modified());
}

TEST(EditHistory, UndoPutsTheSelectedRowBackAcrossLaterSelections)
{
    THistoryFixture f(SampleScene());
    const int lamp = f.Row("light -- Lamp");
    f.session.SelectRow(lamp);
    {
        TEditStep step(f.session, "Diffuse off");
        f.session.DeleteValue("scene.light.", "Lamp.diffuse");
        f.session.SetPresence("Lamp", "100");
    }
    f.session.SelectRow(f.Row("object -- Box"));
    ASSERT_TRUE(f.session.Undo());
    EXPECT_EQ(f.session.SelectedRow(), lamp);
    EXPECT_EQ(f.session.PresenceTable().Values("Lamp"), "110");
    EXPECT_EQ(f.session.GetValue("light.light.power", "Lamp.diffuse"), "300");
}

TEST(EditHistory, ABatchLeavesTheEditedSceneItsSelectionAndItsHistory)
{
    THistoryFixture f(SampleScene());
    const fs::path other = f.dir.Write("other.xml", SampleScene());
    f.session.OpenScene({f.scene, other});
    f.session.SelectRow(f.Row("light -- Lamp"));
    {
        TEditStep step(f.session, "Power");
        f.session.SetValue("light.light.power", "Lamp.light", "31");
    }
    const std::string edited = f.Written();
    // The first scene renders as it is; what the render sets goes again after the batch.
    f.session.BeginBatch();
    f.session.SelectRow(f.Row("render -- Front"));
    f.session.SetValue("render.outfile.value", "", "first.tga");
    f.session.ReadBatchScene(other);
    f.session.SetValue("render.outfile.value", "", "other.tga");
    f.session.WriteScene();
    EXPECT_FALSE(f.session.CanUndo());  // the batch scene is not the edited one
    f.session.EndBatch();
    EXPECT_EQ(f.session.SelectedRow(), f.Row("light -- Lamp"));
    EXPECT_EQ(f.Written(), edited);
    EXPECT_EQ(f.session.UndoLabel(), "Power");
    f.session.Undo();
    EXPECT_EQ(f.session.GetValue("light.light.power", "Lamp.light"), "25");
}

TEST(EditHistory, TheBoundDropsTheOldestStepsFirst)
{
    THistoryFixture f(SampleScene());
    f.session.SelectRow(f.Row("light -- Lamp"));
    f.session.SetHistoryLimit(1);  // only the newest record stays
    for (const char* power : {"1", "2", "3"}) {
        TEditStep step(f.session, "Power");
        f.session.SetValue("light.light.power", "Lamp.light", power);
    }
    ASSERT_TRUE(f.session.Undo());
    EXPECT_EQ(f.session.GetValue("light.light.power", "Lamp.light"), "2");
    EXPECT_FALSE(f.session.CanUndo());
    EXPECT_TRUE(f.session.Modified());  // the opened state cannot be reached again
}

TEST(EditJournal, ASecondSessionRecoversTheStepsWhenTheFileIsUnchanged)
{
    THistoryFixture f(SampleScene());
    f.session.SetJournalFolder(f.dir / "journal");
    f.session.SelectRow(f.Row("shader -- Wood"));
    for (const char* hard : {"30", "40"}) {
        TEditStep step(f.session, "Hardness");
        f.session.SetValue("shader.hard.value", "Wood", hard, TKeyKind::Attributes);
    }
    f.session.Undo();
    {
        TEditStep step(f.session, "Add shader \"Odd\"\n");
        AddElement(f.session, TNewElementType::Shader, "Odd%\x1e");
    }
    const std::string edited = f.Written();
    ASSERT_TRUE(fs::exists(f.session.JournalFile()));

    TSceneSession again(f.dir / "work");
    again.SetJournalFolder(f.dir / "journal");
    again.OpenScene({f.scene});
    TSceneSession::TJournalFound found = again.FindJournal();
    ASSERT_EQ(found.kind, TSceneSession::TJournalFound::Offer);
    EXPECT_EQ(again.Recover(found.contents), 0);
    EXPECT_TRUE(again.Modified());
    again.WriteScene();
    EXPECT_EQ(ReadAll(again.RenderingFile()), edited);
    EXPECT_EQ(again.UndoLabel(), "Add shader \"Odd\"\n");

    // Cut in the middle of its last record: every whole record before it comes back.
    const std::string journal = ReadAll(found.file);
    const size_t last = journal.rfind("\nR ");
    fs::path cut = f.dir.Write("cut.journal", journal.substr(0, last + 10));
    TJournalContents contents = ReadJournal(cut);
    EXPECT_EQ(contents.lost, 1);
    EXPECT_EQ(contents.records.size(), found.contents.records.size() - 1);

    // A changed file's journal belongs to another version; a save removes the journal.
    f.dir.Write("scene.xml", SampleScene() + " ");
    EXPECT_EQ(again.FindJournal().kind, TSceneSession::TJournalFound::Stale);
    again.Save();
    EXPECT_FALSE(fs::exists(again.JournalFile()));
}

} // namespace
} // namespace kelvane::test
