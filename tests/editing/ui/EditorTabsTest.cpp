// The editor tabs on the bundled sample scene: values loaded and written, the enable tree, the
// element list's colours and a broken number.
#include "../../shell/ui/EditorFixture.h"

#include "controls/ColorConvert.h"
#include "controls/IniFileCompo.h"
#include "controls/ui/ComboBoxYafRay.h"
#include "controls/ui/NumberEdit.h"
#include "editing/SceneSession.h"
#include "editing/ui/Binding.h"
#include "editing/ui/ElementList.h"
#include "scene/TextCodec.h"

#include <QApplication>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

namespace kelvane::test {

namespace {

class EditorTabs : public ::testing::Test {
protected:
    void SetUp() override
    {
        scene_ = f_.CopySample("scene");
        f_.Start();
        main().OpenScenes({scene_});
        ASSERT_TRUE(f_.dialogs.errors.empty()) << f_.dialogs.errors[0].toStdString();
        main().activateWindow();
        (void)QTest::qWaitForWindowActive(&main());
    }

    TfrmMain& main() { return f_.Main(); }

    template <typename T = QWidget>
    T* Control(const char* name)
    {
        auto* w = qobject_cast<T*>(main().Controls().Find(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    void Select(const QString& row)
    {
        const auto items = main().listObjList->findItems(row, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << row.toStdString();
        main().listObjList->setCurrentItem(items[0]);
        main().listObjListClick(main().listObjList->currentRow());
        ASSERT_TRUE(f_.dialogs.errors.empty()) << f_.dialogs.errors[0].toStdString();
    }

    std::string Text(const char* name) { return Control<TNumberEdit>(name)->TextUtf8(); }
    std::string Value(const char* path, const char* name)
    {
        return main().Session().GetValue(path, name);
    }

    TEditorFixture f_;
    fs::path scene_;
};

} // namespace

using Binding = EditorTabs;
using ElementList = EditorTabs;

TEST_F(Binding, ComboWithoutMatchShowsNothingAndWritesNothing)
{
    Select("object -- Floor");
    auto* emitRad = Control<TComboBoxYafRay>("combObjEmitRad");
    EXPECT_EQ(emitRad->currentIndex(), -1);
    main().Binding().edtWidthExit(emitRad);
    EXPECT_EQ(Value("object.object.emit_rad", "Floor"), "");
}

// The sample's render element has samples: AA_passes is overridden and says so; AA_threshold,
// without tolerance, is not.
TEST_F(Binding, AntiAliasingFieldsSayWhichSettingWins)
{
    Select("render -- Front");
    for (const char* name : {"edtAAPasses", "cbAAPasses"}) {
        EXPECT_FALSE(Control(name)->isEnabled()) << name;
        EXPECT_EQ(Control(name)->toolTip().toStdString(), "Not used: Anti-aliasing (samples) wins over AA_passes");
    }
    EXPECT_TRUE(Control("cbAAThreshold")->isEnabled());
    EXPECT_EQ(Control("edtAAThreshold")->toolTip().toStdString(), "Anti-aliasing threshold (AA_threshold)");
}

TEST_F(Binding, EnableTreeHonoursContainerTags)
{
    TEditorBinding& b = main().Binding();
    for (const char* name : {"tsLight", "pnlLgtSelect", "pnlLightOn", "pnlGIOn", "pcLight", "pnlLgtBasic", "pcGI"})
        Control(name)->setEnabled(true);
    b.EnableTree(Control("tsLight"), false);
    for (const char* name : {"tsLight", "pnlLgtSelect", "pnlLightOn", "pnlGIOn", "pcLight", "pnlLgtBasic", "pcGI"})
        EXPECT_TRUE(Control(name)->isEnabled()) << name;
    for (const char* name : {"cbLight", "tsLgtPoint", "combLgtType", "edtLgtPower", "tsDiffuse", "edtGIDPower"})
        EXPECT_FALSE(Control(name)->isEnabled()) << name;

    Control("btnStopRen")->setEnabled(true);
    Control("pnlRenImage")->setEnabled(true);
    b.EnableTree(Control("tsRender"), false);
    EXPECT_TRUE(Control("pnlRenImage")->isEnabled());
    EXPECT_TRUE(Control("pnlRenOn")->isEnabled());
    EXPECT_TRUE(Control("btnStopRen")->isEnabled());
    EXPECT_FALSE(Control("edtWidth")->isEnabled());
}

TEST_F(ElementList, RowsAreDrawnInTheStoredKindColour)
{
    main().IniFileCom().WriteColor("System", "FColor_L", MakeColor(0, 200, 0));
    const auto items = main().listObjList->findItems(QStringLiteral("light -- Lamp"), Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    QStyleOptionViewItem option;
    option.initFrom(main().listObjList);
    const QModelIndex index = main().listObjList->model()->index(main().listObjList->row(items[0]), 0);
    QPixmap canvas(200, 20);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    option.rect = QRect(0, 0, 200, 20);
    main().listObjList->itemDelegate()->paint(&painter, option, index);
    painter.end();
    const QImage image = canvas.toImage();
    bool green = false;
    for (int y = 0; y < image.height() && !green; ++y)
        for (int x = 0; x < image.width() && !green; ++x)
        {
            const QColor c = image.pixelColor(x, y);  // text is antialiased
            green = c.green() > 120 && c.red() < 90 && c.blue() < 90;
        }
    EXPECT_TRUE(green);
}

TEST_F(ElementList, BrokenNumberInTheSceneShowsAnErrorAndKeepsTheWindowUsable)
{
    Select("light -- Lamp");
    main().Session().SetValue("light.light.power", "Lamp.light", "strong");
    // Re-selecting commits, then the fill meets the text.
    main().listObjList->setCurrentItem(
        main().listObjList->findItems(QStringLiteral("light -- Lamp"), Qt::MatchExactly).value(0));
    main().listObjListClick(main().listObjList->currentRow());
    ASSERT_EQ(f_.dialogs.errors.size(), 1u);
    EXPECT_EQ(f_.dialogs.errors[0], QStringLiteral("'strong' is not a valid floating point value"));
    f_.dialogs.errors.clear();
    Select("object -- Box");
    EXPECT_EQ(Text("edtCauIOR"), "1.5");
}

} // namespace kelvane::test
