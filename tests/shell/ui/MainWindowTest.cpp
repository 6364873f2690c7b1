// The editor started for real in a temporary program folder, its dialogs answered by a script.
#include "EditorFixture.h"

#include "editing/SceneSession.h"
#include "editing/ui/EditorPages.h"
#include "editing/ui/ElementList.h"

#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace kelvane::test {

namespace {

std::string Settings(const TEditorFixture& f)
{
    return ReadAll(f.dir / "Pellith.ini");
}

QStringList Captions(TfrmMain& main)
{
    QStringList c;
    for (QAction* a : main.LatestFile)
        c << a->text();
    return c;
}

// The caption as the window shows it: "*" in place of "[*]" while modified.
QString Caption(const QWidget& window)
{
    QString title = window.windowTitle();
    return title.replace(QStringLiteral("[*]"), window.isWindowModified() ? QStringLiteral("*") : QString());
}

QString Q(const fs::path& p)
{
    return QString::fromStdString(p.string());
}

} // namespace

TEST(ShellStart, FirstStartAsksForTheRendererBeforeTheMainWindowShows)
{
    TEditorFixture f("", true);
    bool mainVisibleDuringDialog = true;
    f.dialogs.onConfiguration = [&](TfrmConfigu& d) {
        // The renderer shipped beside the executable (the stand-in, beside the tests) is proposed.
        EXPECT_EQ(fs::path(d.edtPath->text().toStdString()), fs::canonical(KELVANE_STANDIN_EXE));
        mainVisibleDuringDialog = false;
        for (QWidget* w : QApplication::topLevelWidgets())
            mainVisibleDuringDialog |= qobject_cast<TfrmMain*>(w) && w->isVisible();
        d.btnOKClick();
    };
    f.Start();
    EXPECT_FALSE(mainVisibleDuringDialog);
    EXPECT_EQ(f.dialogs.configurationRuns, 1);
    EXPECT_FALSE(fs::exists(f.dir / "Pellith.ini"));  // written at the end only
}

TEST(ShellStart, StoredPathSkipsTheDialogAndStoredListIsPadded)
{
    TEditorFixture f("LatestFiles=LIST\r\nLatestFiles.count=2\r\nLatestFiles.0=/a/one.xml\r\n"
                     "LatestFiles.1=/a/two.xml\r\nStopWindow=NotShow\r\n");
    f.Start();
    EXPECT_EQ(f.dialogs.configurationRuns, 0);
    EXPECT_EQ(Captions(f.Main()), QStringList({"/a/one.xml", "/a/two.xml", "", ""}));
}

TEST(MainWindowMenus, HelpShowsTheReadmeWhenNoApplicationTakesIt)
{
    TEditorFixture f;
    TfrmMain& m = f.Start();
    const auto readme = f.dir.Write("readme.txt", "Read me first.");
    m.HelpH2->trigger();
    ASSERT_EQ(f.dialogs.openedDocuments.size(), 1u);
    EXPECT_EQ(f.dialogs.openedDocuments[0], Q(readme));
    EXPECT_TRUE(f.dialogs.messages.empty());
    f.dialogs.openDocumentResult = false;
    m.HelpH2->trigger();
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    QPlainTextEdit* text = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("memReadme"))
            text = qobject_cast<QPlainTextEdit*>(w);
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_EQ(text->toPlainText(), QStringLiteral("Read me first."));
    text->close();
}

TEST(MainWindowFile, OpenShowsCaptionAndEmptyPage)
{
    TEditorFixture f;
    TfrmMain& m = f.Start();
    f.dialogs.openAnswers.push_back({Q(f.CopySample("scene"))});
    m.OpenO1->trigger();
    ASSERT_EQ(f.dialogs.openCalls.size(), 1u);
    EXPECT_TRUE(f.dialogs.openCalls[0].multi);
    ASSERT_TRUE(f.dialogs.errors.empty()) << f.dialogs.errors[0].toStdString();
    EXPECT_EQ(Caption(m), QStringLiteral("Kelvane  --  scene.xml"));
    EXPECT_EQ(m.CurrentPage(), m.tsEmpty);
    EXPECT_FALSE(fs::exists(f.dir / "~Fake.tmp"));

    // A step marks the caption and names the Edit menu's items; undoing it clears the mark.
    m.listObjListClick(m.Session().FindRow("light -- Lamp"));
    {
        TEditStep step(m.Session(), "Power");
        m.Session().SetValue("light.light.power", "Lamp.light", "3");
    }
    EXPECT_EQ(Caption(m), QStringLiteral("Kelvane  --  scene.xml*"));
    EXPECT_EQ(m.Undo1->text(), QStringLiteral("Undo Power"));
    EXPECT_EQ(m.Undo1->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
    EXPECT_EQ(m.Redo1->shortcuts(),
              (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Shift+Z")), QKeySequence(QStringLiteral("Ctrl+Y"))}));
    m.Undo1->trigger();
    EXPECT_EQ(Caption(m), QStringLiteral("Kelvane  --  scene.xml"));
    EXPECT_FALSE(m.Undo1->isEnabled());
    EXPECT_EQ(m.Redo1->text(), QStringLiteral("Redo Power"));
}

TEST(MainWindowFile, RelativeOpenAndKeyboardSelection)
{
    TEditorFixture f;
    TfrmMain& m = f.Start();
    const fs::path scene = f.CopySample("relative");
    const fs::path before = fs::current_path();
    fs::current_path(scene.parent_path());
    m.OpenScenes({fs::path(".") / scene.filename()});
    fs::current_path(before);
    // The recent-files list holds where the scene is, not where it was seen from.
    EXPECT_EQ(m.LatestFile[0]->text(), Q(scene));
    // A key that moves the highlight selects the row as a click does.
    m.listObjList->setFocus();
    m.listObjList->setCurrentRow(0);
    m.listObjListClick(0);
    QTest::keyClick(m.listObjList, Qt::Key_Down);
    EXPECT_EQ(m.Session().SelectedRow(), 1);
    EXPECT_EQ(m.Session().SelectedName(), "World");
    QTest::keyClick(m.listObjList, Qt::Key_End);
    EXPECT_EQ(m.Session().SelectedRow(), m.listObjList->count() - 1);
    EXPECT_EQ(m.CurrentPage(), m.PageControl->TabOfKind("shader"));
}

TEST(MainWindowFile, ReadingErrorKeepsThePreviousScene)
{
    TEditorFixture f;
    TfrmMain& m = f.Start();
    const fs::path scene = f.CopySample("good");
    const fs::path broken = f.dir.Write("broken.xml", "<scene>\r\n<shader name=\"x\">\r\n</scene>\r\n");
    m.OpenScenes({scene});
    const int rows = m.listObjList->count();
    m.OpenScenes({broken});
    ASSERT_EQ(f.dialogs.errors.size(), 1u);
    EXPECT_FALSE(f.dialogs.errors[0].isEmpty());
    EXPECT_EQ(Caption(m), QStringLiteral("Kelvane  --  good.xml"));
    EXPECT_EQ(m.listObjList->count(), rows);
    EXPECT_EQ(m.LatestFile[0]->text(), Q(scene));
}

TEST(MainWindowRecent, SixOpensKeepTheLastFourNewestFirst)
{
    TEditorFixture f;
    std::vector<fs::path> scenes;
    for (int i = 0; i < 6; ++i)
        scenes.push_back(f.CopySample("s" + std::to_string(i)));
    {
        TfrmMain& m = f.Start();
        for (const fs::path& s : scenes) {
            f.dialogs.openAnswers.push_back({Q(s)});
            m.OpenO1->trigger();
        }
        EXPECT_EQ(Captions(m), QStringList({Q(scenes[5]), Q(scenes[4]), Q(scenes[3]), Q(scenes[2])}));
        // Reopening a listed scene moves it to the top without a second entry.
        m.LatestFile[2]->trigger();
        EXPECT_EQ(Captions(m), QStringList({Q(scenes[3]), Q(scenes[5]), Q(scenes[4]), Q(scenes[2])}));
        EXPECT_EQ(Caption(m), QStringLiteral("Kelvane  --  s3.xml"));
        EXPECT_TRUE(f.dialogs.errors.empty());
        f.windows.reset();
    }
    const std::string ini = Settings(f);
    EXPECT_NE(ini.find("LatestFiles.count=4\r\n"), std::string::npos);
    EXPECT_NE(ini.find("LatestFiles.0=" + scenes[3].string() + "\r\n"), std::string::npos);
    EXPECT_NE(ini.find("LatestFiles.3=" + scenes[2].string() + "\r\n"), std::string::npos);
    EXPECT_EQ(ini.find("LatestFiles.4="), std::string::npos);
}

TEST(MainWindowRecent, MissingFileIsRemovedEmptyItemDoesNothing)
{
    const std::string gone = "/nowhere/gone.xml";
    TEditorFixture f("LatestFiles=LIST\r\nLatestFiles.count=1\r\nLatestFiles.0=" + gone + "\r\n");
    TfrmMain& m = f.Start();
    m.LatestFile[3]->trigger();  // empty caption
    EXPECT_TRUE(f.dialogs.messages.empty());
    m.LatestFile[0]->trigger();
    EXPECT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(Captions(m), QStringList({"", "", "", ""}));
    EXPECT_EQ(Caption(m), QStringLiteral("Kelvane"));
}

TEST(MainWindowRecent, AmpersandInAPathSurvivesTheMenu)
{
    TEditorFixture f;
    TfrmMain& m = f.Start();
    const fs::path scene = f.CopySample("R&D");
    m.OpenScenes({scene});
    m.OpenScenes({f.CopySample("other")});
    EXPECT_EQ(m.LatestFile[1]->text(), Q(scene).replace(QStringLiteral("&"), QStringLiteral("&&")));  // shown only
    m.LatestFile[1]->trigger();
    EXPECT_TRUE(f.dialogs.messages.empty());
    EXPECT_EQ(Caption(m), QStringLiteral("Kelvane  --  R&D.xml"));
}

TEST(MainWindowClose, RenderingFileIsDeletedAndNothingIsAsked)
{
    TEditorFixture f;
    {
        f.Start();
        f.Main().OpenScenes({f.CopySample("scene")});
        f.dir.Write("~Rendering.tmp", "x");
        f.Main().ExitE1->trigger();
        EXPECT_FALSE(fs::exists(f.dir / "~Rendering.tmp"));
        f.windows.reset();
    }
    EXPECT_TRUE(f.dialogs.messages.empty());
    EXPECT_TRUE(f.dialogs.errors.empty());
    EXPECT_NE(Settings(f).find("LatestFiles.0="), std::string::npos);
}

TEST(MainWindowFile, SaveAsProposesTheOpenSceneAndNeedsOne)
{
    TEditorFixture f;
    TfrmMain& m = f.Start();
    const fs::path scene = f.CopySample("scene");
    m.SaveS1->trigger();  // nothing open: nothing happens
    m.Saveas1->trigger();
    EXPECT_TRUE(f.dialogs.saveCalls.empty());
    m.OpenScenes({scene});
    const fs::path target = scene.parent_path() / "copy.xml";
    f.dialogs.saveAnswers.push_back(Q(target));
    m.Saveas1->trigger();
    ASSERT_EQ(f.dialogs.saveCalls.size(), 1u);
    EXPECT_EQ(f.dialogs.saveCalls[0].preset, Q(scene));
    EXPECT_TRUE(fs::exists(target));
}

} // namespace kelvane::test
