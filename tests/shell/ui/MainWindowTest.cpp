// The editor started for real in a temporary program folder, its dialogs answered by a script.
#include "FakeDialogs.h"

#include "controls/IniFileCompo.h"
#include "editing/SceneSession.h"
#include "editing/ui/ElementList.h"
#include "render/ui/UnitDos.h"
#include "render/ui/UnitImgRen.h"
#include "shell/ui/UnitColor.h"
#include "shell/ui/UnitMain.h"
#include "support/TempDir.h"

#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>

namespace kelvane::test {

namespace {

fs::path Sample()
{
    return fs::path(KELVANE_SOURCE_DIR) / "data" / "samples" / "sample.xml";
}

// A copy of the sample scene (with its picture) in its own folder.
fs::path CopySample(const TempDir& dir, const std::string& name)
{
    const fs::path folder = dir.Path() / (name + "_dir");
    fs::create_directories(folder);
    fs::copy_file(Sample(), folder / (name + ".xml"));
    fs::copy_file(Sample().parent_path() / "wood.jpg", folder / "wood.jpg");
    return folder / (name + ".xml");
}

std::string Settings(const TempDir& dir)
{
    return ReadAll(dir / "Pellith.ini");
}

void WriteSettings(const TempDir& dir, const std::string& lines)
{
    dir.Write("Pellith.ini", "[System]\r\nEXEPath=/opt/yafray/yafray\r\n" + lines);
}

QStringList Captions(TfrmMain& main)
{
    QStringList c;
    for (QAction* a : main.LatestFile)
        c << a->text();
    return c;
}

QString Q(const fs::path& p)
{
    return QString::fromStdString(p.string());
}

} // namespace

TEST(ShellStart, FirstStartAsksForTheRendererBeforeTheMainWindowShows)
{
    TempDir dir;
    TFakeDialogs dialogs;
    TDialogsScope scope(dialogs);
    bool mainVisibleDuringDialog = true;
    dialogs.onConfiguration = [&](TfrmConfigu& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Configuration"));
        EXPECT_TRUE(d.edtPath->text().isEmpty());
        EXPECT_TRUE(d.edtPath->isReadOnly());
        d.btnOKClick();  // empty path: refused, nothing stored
        EXPECT_EQ(d.result(), 0);
        dialogs.openAnswers.push_back({QStringLiteral("/usr/local/bin/yafray")});
        d.btnOpenExeClick();
        d.btnOKClick();
        EXPECT_EQ(d.result(), int(QDialog::Accepted));
        mainVisibleDuringDialog = false;
    };
    {
        auto windows = StartKelvane(dir.Path());
        EXPECT_FALSE(mainVisibleDuringDialog);
        EXPECT_EQ(dialogs.configurationRuns, 1);
        ASSERT_EQ(dialogs.openCalls.size(), 1u);
        EXPECT_EQ(dialogs.openCalls[0].filter, QStringLiteral("yafray.exe|yafray.exe|yafray|yafray"));
        EXPECT_EQ(Captions(*windows->main), QStringList({"", "", "", ""}));
        EXPECT_TRUE(windows->colour->isVisible());
        EXPECT_FALSE(windows->image->isVisible());
        EXPECT_FALSE(windows->output->isVisible());
        EXPECT_EQ(windows->main->windowTitle(), QStringLiteral("Kelvane"));
        EXPECT_EQ(windows->main->IniFileCom().ReadString("System", "EXEPath", ""), "/usr/local/bin/yafray");
        EXPECT_FALSE(fs::exists(dir / "Pellith.ini"));  // written at the end only
    }
    const std::string ini = Settings(dir);
    EXPECT_NE(ini.find("EXEPath=/usr/local/bin/yafray\r\n"), std::string::npos);
    EXPECT_NE(ini.find("LatestFiles.count=4\r\n"), std::string::npos);
    EXPECT_NE(ini.find("MainWindow=FORM\r\n"), std::string::npos);
    EXPECT_NE(ini.find("Color=FORM\r\n"), std::string::npos);
}

TEST(ShellStart, StoredPathSkipsTheDialogAndStoredListIsPadded)
{
    TempDir dir;
    WriteSettings(dir, "LatestFiles=LIST\r\nLatestFiles.count=2\r\nLatestFiles.0=/a/one.xml\r\nLatestFiles.1=/a/two.xml\r\n"
                       "StopWindow=NotShow\r\n");
    TFakeDialogs dialogs;
    TDialogsScope scope(dialogs);
    auto windows = StartKelvane(dir.Path());
    EXPECT_EQ(dialogs.configurationRuns, 0);
    EXPECT_EQ(Captions(*windows->main), QStringList({"/a/one.xml", "/a/two.xml", "", ""}));
    EXPECT_EQ(windows->main->LatestFiles1->title(), QStringLiteral("Latest Files"));
}

TEST(MainWindowMenus, CaptionsAsWritten)
{
    TempDir dir;
    WriteSettings(dir, "");
    TFakeDialogs dialogs;
    TDialogsScope scope(dialogs);
    auto windows = StartKelvane(dir.Path());
    TfrmMain& m = *windows->main;
    EXPECT_EQ(m.OpenO1->text(), QStringLiteral("Open"));
    EXPECT_EQ(m.SaveS1->text(), QStringLiteral("Save"));
    EXPECT_EQ(m.Saveas1->text(), QStringLiteral("Save as..."));
    EXPECT_EQ(m.Configurtion1->text(), QStringLiteral("Configurtion"));
    EXPECT_EQ(m.ExitE1->text(), QStringLiteral("Exit"));
    EXPECT_EQ(m.Imagewindow1->text(), QStringLiteral("Image Window"));
    EXPECT_EQ(m.Dos1->text(), QStringLiteral("Dos Window"));
    EXPECT_EQ(m.Color1->text(), QStringLiteral("Color"));
    EXPECT_EQ(m.HelpH2->text(), QStringLiteral("Help"));
    EXPECT_EQ(m.VersionV1->text(), QStringLiteral("Information"));

    m.VersionV1->trigger();
    EXPECT_EQ(dialogs.informationRuns, 1);
    m.Imagewindow1->trigger();
    EXPECT_TRUE(windows->image->isVisible());

    // Help opens the read-me; when that fails the folder is named on the second line.
    m.HelpH2->trigger();
    ASSERT_EQ(dialogs.openedDocuments.size(), 1u);
    EXPECT_EQ(dialogs.openedDocuments[0], Q(dir / "readme.txt"));
    EXPECT_TRUE(dialogs.messages.empty());
    dialogs.openDocumentResult = false;
    m.HelpH2->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], QStringLiteral("Readme.txt is not found in \r\n") + Q(dir.Path()));

    // The menu's configuration dialog shows the stored path.
    dialogs.onConfiguration = [](TfrmConfigu& d) {
        EXPECT_EQ(d.edtPath->text(), QStringLiteral("/opt/yafray/yafray"));
        d.btnOKClick();
    };
    m.Configurtion1->trigger();
    EXPECT_EQ(dialogs.configurationRuns, 1);
}

TEST(MainWindowFile, OpenShowsRowsCaptionAndEmptyPage)
{
    TempDir dir;
    WriteSettings(dir, "");
    TFakeDialogs dialogs;
    TDialogsScope scope(dialogs);
    auto windows = StartKelvane(dir.Path());
    TfrmMain& m = *windows->main;
    const fs::path scene = CopySample(dir, "scene");
    dialogs.openAnswers.push_back({Q(scene)});
    m.OpenO1->trigger();
    ASSERT_EQ(dialogs.openCalls.size(), 1u);
    EXPECT_EQ(dialogs.openCalls[0].title, QStringLiteral("Select File"));
    EXPECT_EQ(dialogs.openCalls[0].filter,
              QStringLiteral("YafRay ( *.xml, *.txt )|*.xml; *.txt|All Files ( *.* )|*.*"));
    EXPECT_TRUE(dialogs.openCalls[0].multi);
    ASSERT_TRUE(dialogs.errors.empty()) << dialogs.errors[0].toStdString();
    EXPECT_EQ(m.windowTitle(), QStringLiteral("Kelvane  --  scene.xml"));
    EXPECT_EQ(m.CurrentPage(), m.tsEmpty);

    QStringList rows;
    for (int i = 0; i < m.listObjList->count(); ++i)
        rows << m.listObjList->item(i)->text();
    EXPECT_EQ(rows, QStringList({"background -- Daylight", "background -- World", "filter -- ", "light -- Ambient",
                                 "light -- Focus", "light -- Lamp", "light -- Spot_001", "light -- Sun",
                                 "object -- Box", "object -- Floor", "render -- Front", "shader -- Glass",
                                 "shader -- Sky", "shader -- Wood"}));
    const int render = rows.indexOf(QStringLiteral("render -- Front"));
    EXPECT_FALSE(m.listObjList->item(render)->flags() & Qt::ItemIsUserCheckable);
    EXPECT_TRUE(m.listObjList->item(0)->flags() & Qt::ItemIsUserCheckable);
    EXPECT_EQ(m.listObjList->item(0)->checkState(), Qt::Checked);
    EXPECT_FALSE(fs::exists(dir / "~Fake.tmp"));
}

TEST(MainWindowFile, ReadingErrorKeepsThePreviousSceneUsable)
{
    TempDir dir;
    WriteSettings(dir, "");
    TFakeDialogs dialogs;
    TDialogsScope scope(dialogs);
    auto windows = StartKelvane(dir.Path());
    TfrmMain& m = *windows->main;
    const fs::path scene = CopySample(dir, "good");
    const fs::path broken = dir.Write("broken.xml", "<scene>\r\n<shader name=\"x\">\r\n</scene>\r\n");
    m.OpenScenes({scene});
    const int rows = m.listObjList->count();
    m.OpenScenes({broken});
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_FALSE(dialogs.errors[0].isEmpty());
    EXPECT_EQ(m.windowTitle(), QStringLiteral("Kelvane  --  good.xml"));
    EXPECT_EQ(m.listObjList->count(), rows);
    EXPECT_EQ(m.LatestFile[0]->text(), Q(scene));
    // Still usable: select a row and save.
    m.listObjList->setCurrentRow(0);
    m.listObjListClick();
    m.SaveS1->trigger();
    EXPECT_EQ(dialogs.errors.size(), 1u);
    EXPECT_NE(ReadAll(scene).find("Daylight"), std::string::npos);
}

TEST(MainWindowRecent, SixOpensKeepTheLastFourNewestFirst)
{
    TempDir dir;
    WriteSettings(dir, "");
    TFakeDialogs dialogs;
    TDialogsScope scope(dialogs);
    std::vector<fs::path> scenes;
    for (int i = 0; i < 6; ++i)
        scenes.push_back(CopySample(dir, "s" + std::to_string(i)));
    {
        auto windows = StartKelvane(dir.Path());
        TfrmMain& m = *windows->main;
        for (const fs::path& s : scenes) {
            dialogs.openAnswers.push_back({Q(s)});
            m.OpenO1->trigger();
        }
        EXPECT_EQ(Captions(m), QStringList({Q(scenes[5]), Q(scenes[4]), Q(scenes[3]), Q(scenes[2])}));
        // Reopening a listed scene moves it to the top without a second entry.
        m.LatestFile[2]->trigger();
        EXPECT_EQ(Captions(m), QStringList({Q(scenes[3]), Q(scenes[5]), Q(scenes[4]), Q(scenes[2])}));
        EXPECT_EQ(m.windowTitle(), QStringLiteral("Kelvane  --  s3.xml"));
        EXPECT_TRUE(dialogs.errors.empty());
    }
    const std::string ini = Settings(dir);
    EXPECT_NE(ini.find("LatestFiles.count=4\r\n"), std::string::npos);
    EXPECT_NE(ini.find("LatestFiles.0=" + scenes[3].string() + "\r\n"), std::string::npos);
    EXPECT_NE(ini.find("LatestFiles.3=" + scenes[2].string() + "\r\n"), std::string::npos);
    EXPECT_EQ(ini.find("LatestFiles.4="), std::string::npos);
}

TEST(MainWindowRecent, MissingFileIsReportedAndRemovedEmptyItemDoesNothing)
{
    TempDir dir;
    const std::string gone = (dir / "gone.xml").string();
    WriteSettings(dir, "LatestFiles=LIST\r\nLatestFiles.count=1\r\nLatestFiles.0=" + gone + "\r\n");
    TFakeDialogs dialogs;
    TDialogsScope scope(dialogs);
    auto windows = StartKelvane(dir.Path());
    TfrmMain& m = *windows->main;
    m.LatestFile[3]->trigger();  // empty caption
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(Captions(m), QStringList({QString::fromStdString(gone), "", "", ""}));
    m.LatestFile[0]->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], QStringLiteral("The file does not exist: ") + QString::fromStdString(gone));
    EXPECT_EQ(Captions(m), QStringList({"", "", "", ""}));
    EXPECT_EQ(m.windowTitle(), QStringLiteral("Kelvane"));
}

TEST(MainWindowRecent, AmpersandInAPathSurvivesTheMenu)
{
    TempDir dir;
    WriteSettings(dir, "");
    TFakeDialogs dialogs;
    TDialogsScope scope(dialogs);
    auto windows = StartKelvane(dir.Path());
    TfrmMain& m = *windows->main;
    const fs::path scene = CopySample(dir, "R&D");
    m.OpenScenes({scene});
    m.OpenScenes({CopySample(dir, "other")});
    m.LatestFile[1]->trigger();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(m.windowTitle(), QStringLiteral("Kelvane  --  R&D.xml"));
}

TEST(MainWindowClose, RenderingFileIsDeletedAndNothingIsAsked)
{
    TempDir dir;
    WriteSettings(dir, "");
    TFakeDialogs dialogs;
    TDialogsScope scope(dialogs);
    {
        auto windows = StartKelvane(dir.Path());
        windows->main->OpenScenes({CopySample(dir, "scene")});
        dir.Write("~Rendering.tmp", "x");
        windows->main->ExitE1->trigger();
        EXPECT_FALSE(fs::exists(dir / "~Rendering.tmp"));
    }
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_NE(Settings(dir).find("LatestFiles.0="), std::string::npos);
}

TEST(MainWindowFile, SaveAsThenSaveWritesTheNewPath)
{
    TempDir dir;
    WriteSettings(dir, "");
    TFakeDialogs dialogs;
    TDialogsScope scope(dialogs);
    auto windows = StartKelvane(dir.Path());
    TfrmMain& m = *windows->main;
    const fs::path scene = CopySample(dir, "scene");
    m.SaveS1->trigger();  // nothing open: nothing happens
    m.Saveas1->trigger();
    EXPECT_TRUE(dialogs.saveCalls.empty());
    m.OpenScenes({scene});
    const fs::path target = scene.parent_path() / "copy.xml";
    dialogs.saveAnswers.push_back(Q(target));
    m.Saveas1->trigger();
    ASSERT_EQ(dialogs.saveCalls.size(), 1u);
    EXPECT_EQ(dialogs.saveCalls[0].title, QStringLiteral("Save the scene file"));
    EXPECT_EQ(dialogs.saveCalls[0].filter, QStringLiteral("YafRay ( *.xml; *.txt )|*.xml; *.txt|AllFiles ( *.* )|*.*"));
    EXPECT_EQ(dialogs.saveCalls[0].preset, Q(scene));
    ASSERT_TRUE(fs::exists(target));
    EXPECT_EQ(m.windowTitle(), QStringLiteral("Kelvane  --  scene.xml"));
    fs::remove(target);
    m.SaveS1->trigger();
    EXPECT_TRUE(fs::exists(target));
    EXPECT_TRUE(dialogs.errors.empty());
}

} // namespace kelvane::test
