// The editor's windows as a user handles them: sizes, Exit, keys, the list and the panel.
#include "EditorFixture.h"

#include "controls/ui/WidgetPlacement.h"
#include "editing/SceneSession.h"
#include "editing/ui/EditorPages.h"
#include "editing/ui/ElementList.h"
#include "render/ui/RenderJobUi.h"
#include "render/ui/UnitDos.h"
#include "render/ui/UnitImgRen.h"
#include "shell/ui/UnitColor.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace kelvane::test {

namespace {

QScrollArea* PageOf(QWidget* w)
{
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (auto* area = qobject_cast<QScrollArea*>(p))
            return area;
    return nullptr;
}

// The control can be brought into the visible part of its page.
bool Reachable(QWidget* control)
{
    QScrollArea* page = PageOf(control);
    if (!page)
        return false;
    page->ensureWidgetVisible(control, 0, 0);
    const QRect at(control->mapTo(page->viewport(), QPoint(0, 0)), control->size());
    return page->viewport()->rect().contains(at);
}

void Wheel(QWidget* target, int delta)
{
    const QPointF at = QPointF(target->rect().center());
    QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(target, &event);
}

} // namespace

TEST(WindowPlacement, FitRectMovesAndShrinksOntoTheArea)
{
    const QRect area(0, 0, 800, 500);
    EXPECT_EQ(FitRect(QRect(10, 20, 300, 200), area), QRect(10, 20, 300, 200));
    EXPECT_EQ(FitRect(QRect(700, 450, 300, 200), area), QRect(500, 300, 300, 200));
    EXPECT_EQ(FitRect(QRect(-50, -80, 300, 200), area), QRect(0, 0, 300, 200));
    EXPECT_EQ(FitRect(QRect(100, 100, 1130, 1280), area), area);
    EXPECT_EQ(FitRect(QRect(5000, 5000, 565, 640), QRect(800, 0, 800, 500)), QRect(1035, 0, 565, 500));
}

TEST(MainWindowSize, WindowsFitTheScreenAndEveryControlIsReachable)
{
    // A placement stored on a screen that is gone comes back onto this one.
    TEditorFixture f("[Interface]\r\nMainWindow=FORM\r\nMainWindow.show=1\r\nMainWindow.left=5000\r\n"
                     "MainWindow.top=5000\r\nMainWindow.width=5565\r\nMainWindow.height=5640\r\n");
    TfrmMain& m = f.Start();
    m.OpenScenes({f.CopySample("scene")});
    m.Imagewindow1->trigger();
    m.Dos1->trigger();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (QWidget* w : std::initializer_list<QWidget*>{&m, f.windows->image.get(), f.windows->output.get(),
                                                      f.windows->colour.get()})
        EXPECT_TRUE(screen.contains(w->frameGeometry())) << w->objectName().toStdString();
    // Resizable, down to a small window whose pages scroll.
    EXPECT_NE(m.minimumSize(), m.maximumSize());
    m.resize(420, 320);
    EXPECT_EQ(m.size(), QSize(420, 320));
    m.listObjListClick(m.Session().FindRow("render -- Front"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(Reachable(m.RenderPanel()->ProgressBar));
    EXPECT_TRUE(Reachable(m.RenderPanel()->lbPicture));
}

TEST(MainWindowExit, ClosesEveryWindowAndWritesTheSettingsOnce)
{
    TEditorFixture f;
    TfrmMain& m = f.Start();
    m.OpenScenes({f.CopySample("scene")});
    m.Imagewindow1->trigger();
    m.Dos1->trigger();
    m.ExitE1->trigger();
    EXPECT_FALSE(m.isVisible());
    EXPECT_FALSE(f.windows->image->isVisible());
    EXPECT_FALSE(f.windows->output->isVisible());
    EXPECT_FALSE(f.windows->colour->isVisible());
    // Written at Exit, placements included; not again when the program's objects go.
    const std::string settings = ReadAll(f.dir / "Pellith.ini");
    for (const char* placement : {"MainWindow=FORM", "ImgWindow=FORM", "DosWindow=FORM", "Color=FORM"})
        EXPECT_NE(settings.find(placement), std::string::npos) << placement << "\n" << settings;
    EXPECT_NE(settings.find("Color.show=1"), std::string::npos) << "the picker showed until Exit";
    fs::remove(f.dir / "Pellith.ini");
    f.windows.reset();
    EXPECT_FALSE(fs::exists(f.dir / "Pellith.ini"));
}

TEST(MainWindowKeys, MenusHaveAcceleratorsAndShortcuts)
{
    TEditorFixture f;
    TfrmMain& m = f.Start();
    const std::pair<QAction*, const char*> keys[] = {
        {m.OpenO1, "Ctrl+O"}, {m.SaveS1, "Ctrl+S"},    {m.Saveas1, "Ctrl+Shift+S"}, {m.ExitE1, "Ctrl+Q"},
        {m.Rendering1, "F5"}, {m.StopRendering1, "Esc"}, {m.HelpH2, "F1"}};
    for (const auto& [action, key] : keys)
        EXPECT_EQ(action->shortcut().toString(), QString::fromLatin1(key)) << key;
    EXPECT_FALSE(m.StopRendering1->isEnabled());  // only while a render runs
    for (const char* name : {"File1", "Edit1", "Render1", "Window1", "Help1"}) {
        auto* menu = m.findChild<QMenu*>(QString::fromLatin1(name));
        ASSERT_TRUE(menu) << name;
        EXPECT_FALSE(QKeySequence::mnemonic(menu->title()).isEmpty()) << name;
    }
    EXPECT_EQ(QKeySequence::mnemonic(m.findChild<QMenu*>(QStringLiteral("File1"))->title()),
              QKeySequence(QStringLiteral("Alt+F")));
}

TEST(ElementListAndPanel, RightClickSelectsWheelScrollsUnlessFocused)
{
    TEditorFixture f;
    TfrmMain& m = f.Start();
    m.OpenScenes({f.CopySample("scene")});
    TElementList* list = m.listObjList;
    const int lamp = m.Session().FindRow("light -- Lamp");
    QTest::mouseClick(list->viewport(), Qt::RightButton, Qt::NoModifier,
                      list->visualItemRect(list->item(lamp)).center());
    EXPECT_EQ(list->currentRow(), lamp);
    EXPECT_EQ(m.Session().SelectedRow(), lamp);
    EXPECT_EQ(m.CurrentPage(), m.PageControl->TabOfKind("light"));

    m.resize(420, 320);
    m.listObjListClick(m.Session().FindRow("render -- Front"));
    QCoreApplication::processEvents();
    auto* camera = m.Controls().Get<QComboBox>("combCamera");
    ASSERT_TRUE(camera);
    QScrollBar* bar = PageOf(camera)->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(0);
    const int before = camera->currentIndex();
    Wheel(camera, -120);
    EXPECT_EQ(camera->currentIndex(), before);
    EXPECT_GT(bar->value(), 0);
    EXPECT_FALSE(m.Session().Modified());
    // With the focus the wheel changes the value, written as any other change.
    camera->setFocus();
    Wheel(camera, before == 0 ? -120 : 120);
    EXPECT_NE(camera->currentIndex(), before);
    camera->clearFocus();
    EXPECT_TRUE(m.Session().Modified());
    EXPECT_TRUE(m.Undo1->isEnabled());
}

TEST(EditorTabs, EveryEditingControlSaysWhatItSets)
{
    TEditorFixture f;
    TfrmMain& m = f.Start();
    EXPECT_EQ(m.Controls().Find("edtLgtPower")->toolTip(), QStringLiteral("Light power (power)"));
    EXPECT_EQ(m.Controls().Find("tbLgtPower")->toolTip(), QStringLiteral("Light power (power)"));
    EXPECT_EQ(m.Controls().Find("combCamera")->toolTip(), QStringLiteral("Render camera (camera_name)"));
    int controls = 0;
    for (QWidget* w : m.PageControl->findChildren<QWidget*>())
        if (w->inherits("kelvane::TNumberEdit") || w->inherits("kelvane::TLinkedTrackBar") ||
            w->inherits("kelvane::TComboBoxYafRay") || w->inherits("kelvane::TEnableControlCheckBox")) {
            ++controls;
            EXPECT_FALSE(w->toolTip().isEmpty()) << w->objectName().toStdString();
        }
    EXPECT_GT(controls, 100);
}

TEST(MainWindowFile, SaveAsNamesTheNewFileAndDialogsStartInTheScenesFolder)
{
    TEditorFixture f("[Interface]\r\nLastFolder=/srv/shots\r\n");
    TfrmMain& m = f.Start();
    // Without a scene, where the last dialog of the previous session ended.
    EXPECT_EQ(DialogStartPath(QString()), QStringLiteral("/srv/shots"));
    const fs::path scene = f.CopySample("scene");
    m.OpenScenes({scene});
    const QString folder = QString::fromStdString(scene.parent_path().string());
    EXPECT_EQ(DialogStartPath(QStringLiteral("picture.png")), folder + QStringLiteral("/picture.png"));
    const fs::path other = f.dir.Path() / "elsewhere";
    fs::create_directories(other);
    f.dialogs.saveAnswers.push_back(QString::fromStdString((other / "copy.xml").string()));
    m.Saveas1->trigger();
    EXPECT_EQ(m.windowTitle().remove(QStringLiteral("[*]")), QStringLiteral("Kelvane  --  copy.xml"));
    EXPECT_EQ(DialogStartPath(QString()), QString::fromStdString(other.string()));
    m.ExitE1->trigger();
    EXPECT_NE(ReadAll(f.dir / "Pellith.ini").find("LastFolder=/srv/shots\r\n"), std::string::npos);
}

} // namespace kelvane::test
