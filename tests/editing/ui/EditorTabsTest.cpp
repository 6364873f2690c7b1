// The editor tabs on the bundled sample scene: rows selected, values loaded, fields typed into
// and left, the scene saved and the written file read back.
#include "../../shell/ui/EditorFixture.h"

#include "controls/ColorConvert.h"
#include "controls/IniFileCompo.h"
#include "controls/ui/ColorPanel.h"
#include "controls/ui/ComboBoxYafRay.h"
#include "controls/ui/EnableControlCheckBox.h"
#include "controls/ui/LinkedTrackBar.h"
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
        main().listObjListClick();
        ASSERT_TRUE(f_.dialogs.errors.empty()) << f_.dialogs.errors[0].toStdString();
    }

    // Types into a field with the keyboard and leaves it for the element list.
    void Type(const char* name, const QString& text)
    {
        auto* edit = Control<TNumberEdit>(name);
        ASSERT_NE(edit, nullptr);
        edit->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        main().listObjList->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }

    std::string Text(const char* name) { return Control<TNumberEdit>(name)->TextUtf8(); }
    std::string Value(const char* path, const char* name)
    {
        return Narrow(main().Session().GetValue(Widen(path), Widen(name)));
    }

    std::string SaveAndRead()
    {
        main().SaveS1->trigger();
        EXPECT_TRUE(f_.dialogs.errors.empty());
        return ReadAll(scene_);
    }

    TEditorFixture f_;
    fs::path scene_;
};

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST_F(EditorTabs, LightValuesGoToTheirParts)
{
    Select("light -- Lamp");
    EXPECT_EQ(Narrow(main().Session().PresenceTable().Values(u"Lamp")), "110");
    EXPECT_EQ(Text("edtLgtPower"), "25");
    EXPECT_EQ(Control<TLinkedTrackBar>("tbLgtPower")->Position(), 25);
    EXPECT_EQ(Text("edtLgtRed"), "255");
    EXPECT_EQ(Text("edtGIDPower"), "300");
    EXPECT_EQ(Text("edtGIDPhotons"), "50000");
    EXPECT_FALSE(Control("edtGICPower")->isEnabled());  // no caustic part
    EXPECT_TRUE(Control<TEnableControlCheckBox>("cbDiffuse")->isChecked());
    EXPECT_FALSE(Control<TEnableControlCheckBox>("cbCaustics")->isChecked());
    EXPECT_EQ(Control<TColorPanel>("pnlLgtColor")->Color(), MakeColor(255, 230, 204));
    Type("edtLgtPower", "30");
    Type("edtGIDSearch", "120");
    EXPECT_EQ(Value("light.light.power", "Lamp.light"), "30");
    EXPECT_EQ(Value("light.light.search", "Lamp.diffuse"), "120");

    // A hemilight is one element without part suffix.
    Select("light -- Ambient");
    EXPECT_EQ(Text("edtLgtPower"), "0.8");
    EXPECT_EQ(Control<QComboBox>("combLgtType")->currentText(), QStringLiteral("hemilight"));
    EXPECT_FALSE(Control("combLgtType")->isEnabled());
    EXPECT_FALSE(Control("cbLight")->isEnabled());
    EXPECT_TRUE(Control("edtGIHSamples")->isEnabled());
    EXPECT_EQ(Text("edtGIHSamples"), "16");
    Type("edtLgtPower", "1.2");
    EXPECT_EQ(Value("light.light.power", "Ambient"), "1.2");

    const std::string saved = SaveAndRead();
    EXPECT_TRUE(Contains(saved, "name=\"Lamp.light\" power=\"30\""));
    EXPECT_TRUE(Contains(saved, "search=\"120\""));
    EXPECT_TRUE(Contains(saved, "name=\"Ambient\" power=\"1.2\""));
}

TEST_F(EditorTabs, ShaderTabLoadsPagesAndSlotZero)
{
    Select("shader -- Wood");
    EXPECT_EQ(Text("edtShrHard"), "20");
    EXPECT_EQ(Text("edtShrColorRed"), "204");
    EXPECT_EQ(Control<TLinkedTrackBar>("tbShrColorRed")->Position(), 204);
    EXPECT_EQ(Control<TColorPanel>("pnlColorColor")->Color(), MakeColor(204, 153, 102));
    EXPECT_EQ(Control<TComboBoxYafRay>("combModMode")->currentText(), QStringLiteral("mix"));
    EXPECT_TRUE(Control<TEnableControlCheckBox>("cbModColor")->isChecked());
    EXPECT_EQ(Text("edtModColor"), "1");
    EXPECT_FALSE(Control<TEnableControlCheckBox>("cbModBump")->isChecked());
    EXPECT_FALSE(Control("edtModBump")->isEnabled());
    EXPECT_FALSE(Control("tsReflection")->isEnabled());  // no reflection values
    Type("edtShrHard", "35");
    Type("edtModColor", "0.75");
    Select("shader -- Glass");
    EXPECT_EQ(Text("edtShrIOR"), "1.5");
    EXPECT_EQ(Text("edtModBump"), "0.3");
    EXPECT_EQ(Control<TComboBoxYafRay>("combModMode")->currentText(), QStringLiteral("multiply"));
    EXPECT_EQ(Text("edtTexCldDepth"), "4");
    const std::string saved = SaveAndRead();
    EXPECT_TRUE(Contains(saved, "<hard value=\"35\""));
    EXPECT_TRUE(Contains(saved, "<color value=\"0.75\""));
}

TEST_F(EditorTabs, ReselectingCommitsAndRefills)
{
    Select("light -- Sun");
    EXPECT_EQ(Text("edtLgtPower"), "1.5");
    EXPECT_EQ(Control<TLinkedTrackBar>("tbLgtPower")->Position(), 15);  // sunlight: scale 10
    EXPECT_EQ(Control<TLinkedTrackBar>("tbLgtPower")->maximum(), 500);
    Type("edtLgtPower", "2.5");
    Select("light -- Sun");
    EXPECT_EQ(Text("edtLgtPower"), "2.5");
}


using Binding = EditorTabs;
using ElementList = EditorTabs;

TEST_F(Binding, SliderWritesPositionOverItsScale)
{
    Select("shader -- Glass");
    auto* slider = Control<TLinkedTrackBar>("tbShrMinRefl");
    slider->SetPosition(37);
    main().Binding().edtWidthExit(slider);
    EXPECT_EQ(Value("shader.min_refle.value", "Glass"), "0.37");
    EXPECT_EQ(Text("edtShrMinRefl"), "0.37");
    // Scale 0 counts as 1.
    Select("light -- Spot_001");
    auto* size = Control<TLinkedTrackBar>("tbLgtSize");
    size->SetPosition(44);
    main().Binding().edtWidthExit(size);
    EXPECT_EQ(Value("light.light.size", "Spot_001.light"), "44");
}

TEST_F(Binding, FieldAboveTheSliderRangeSurvivesUntilTheSliderMoves)
{
    Select("shader -- Wood");
    auto* slider = Control<TLinkedTrackBar>("tbShrHard");  // 0..100, the field unlimited
    Type("edtShrHard", "600");
    EXPECT_EQ(slider->Position(), 100);
    EXPECT_EQ(Text("edtShrHard"), "600");
    EXPECT_EQ(Value("shader.hard.value", "Wood"), "600");
    slider->SetPosition(40);
    EXPECT_EQ(Text("edtShrHard"), "40");
}

TEST_F(Binding, ColourSliderChangesOneChannelOfTheSwatch)
{
    Select("light -- Spot_001");
    auto* swatch = Control<TColorPanel>("pnlLgtColor");
    EXPECT_EQ(swatch->Color(), MakeColor(255, 255, 255));
    Control<TLinkedTrackBar>("tbLgtGreen")->SetPosition(0);
    EXPECT_EQ(swatch->Color(), MakeColor(255, 0, 255));
    EXPECT_EQ(Text("edtLgtGreen"), "0");
    Control<TNumberEdit>("edtLgtBlue")->SetTextUtf8("16");
    EXPECT_EQ(Control<TLinkedTrackBar>("tbLgtBlue")->Position(), 16);
    EXPECT_EQ(swatch->Color(), MakeColor(255, 0, 16));
    main().Binding().edtWidthExit(Control("edtLgtBlue"));
    EXPECT_EQ(Value("light.color.b", "Spot_001.light"), "16");
}

TEST_F(Binding, ComboWithoutMatchShowsNothingAndWritesNothing)
{
    Select("object -- Floor");
    auto* emitRad = Control<TComboBoxYafRay>("combObjEmitRad");
    EXPECT_EQ(emitRad->currentIndex(), -1);
    main().Binding().edtWidthExit(emitRad);
    EXPECT_EQ(Value("object.object.emit_rad", "Floor"), "");
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

TEST_F(ElementList, UncheckedRowIsLeftOutOfTheSavedSceneRenderRowStays)
{
    auto* list = main().listObjList;
    const auto sun = list->findItems(QStringLiteral("light -- Sun"), Qt::MatchExactly);
    ASSERT_EQ(sun.size(), 1);
    sun[0]->setCheckState(Qt::Unchecked);
    const auto render = list->findItems(QStringLiteral("render -- Front"), Qt::MatchExactly);
    ASSERT_EQ(render.size(), 1);
    render[0]->setCheckState(Qt::Unchecked);  // refused: the row's box is disabled
    EXPECT_EQ(render[0]->checkState(), Qt::Checked);
    const std::string saved = SaveAndRead();
    EXPECT_FALSE(Contains(saved, "name=\"Sun\""));
    EXPECT_TRUE(Contains(saved, "<render "));
    EXPECT_TRUE(f_.dialogs.errors.empty());
}

TEST_F(ElementList, DropDownAndTextFieldWriteWhenLeft)
{
    Select("object -- Floor");
    auto* shadow = Control<TComboBoxYafRay>("combObjShadow");
    shadow->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    shadow->setCurrentIndex(1);
    main().listObjList->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(Value("object.object.shadow", "Floor"), "off");

    Select("render -- Front");
    auto* saveName = Control<QLineEdit>("edtSaveName");
    saveName->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    saveName->selectAll();
    QTest::keyClicks(saveName, QStringLiteral("picture"));
    main().listObjList->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    const std::string saved = SaveAndRead();
    EXPECT_TRUE(Contains(saved, "name=\"Floor\" shader_name=\"Wood\" shadow=\"off\""));
    EXPECT_TRUE(Contains(saved, "<outfile value=\"picture.tga\""));
}

TEST_F(ElementList, BrokenNumberInTheSceneShowsAnErrorAndKeepsTheWindowUsable)
{
    Select("light -- Lamp");
    main().Session().SetValue(u"light.light.power", u"Lamp.light", u"strong");
    // Re-selecting commits, then the fill meets the text.
    main().listObjList->setCurrentItem(
        main().listObjList->findItems(QStringLiteral("light -- Lamp"), Qt::MatchExactly).value(0));
    main().listObjListClick();
    ASSERT_EQ(f_.dialogs.errors.size(), 1u);
    EXPECT_EQ(f_.dialogs.errors[0], QStringLiteral("'strong' is not a valid floating point value"));
    f_.dialogs.errors.clear();
    Select("object -- Box");
    EXPECT_EQ(Text("edtCauIOR"), "1.5");
}

} // namespace kelvane::test
