#include "controls/ui/ColorPanel.h"
#include "controls/ui/ComboBoxYafRay.h"
#include "controls/ui/EnableControlCheckBox.h"
#include "controls/ui/LinkedControls.h"
#include "controls/ui/LinkedTrackBar.h"
#include "controls/ui/NumberEdit.h"
#include "controls/ui/WidgetPlacement.h"

#include "support/TempDir.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QLabel>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace kelvane {
namespace {

// A small editor panel: a power slider with its field, a colour swatch with three channel
// sliders and fields, all inside pnlLgtBasic, which the check box cbLgtOn regulates.
struct TestWindow {
    QWidget window;
    TEnableControlCheckBox* cbLgtOn;
    QFrame* pnlLgtBasic;
    QFrame* pnlInner;
    TLinkedTrackBar* tbLgtPower;
    TNumberEdit* edtLgtPower;
    TColorPanel* pnlLgtColor;
    TLinkedTrackBar* tbLgtRed;
    TLinkedTrackBar* tbLgtGreen;
    TLinkedTrackBar* tbLgtBlue;
    TNumberEdit* edtLgtRed;
    TNumberEdit* edtLgtGreen;
    TNumberEdit* edtLgtBlue;

    template <class T>
    T* Make(QWidget* parent, const char* name)
    {
        T* w = new T(parent);
        w->setObjectName(QString::fromLatin1(name));
        return w;
    }

    TNumberEdit* ChannelField(QWidget* parent, const char* name)
    {
        auto* e = Make<TNumberEdit>(parent, name);
        e->SetFigure(0);
        e->SetFixed(true);
        e->SetMax(255);
        e->SetLimit(true);
        return e;
    }

    TLinkedTrackBar* ChannelSlider(QWidget* parent, const char* name)
    {
        auto* t = Make<TLinkedTrackBar>(parent, name);
        t->setRange(0, 255);
        return t;
    }

    TestWindow()
    {
        auto* outer = new QGridLayout(&window);
        cbLgtOn = new TEnableControlCheckBox(QStringLiteral("Light on"), &window);
        pnlLgtBasic = Make<QFrame>(&window, "pnlLgtBasic");
        outer->addWidget(cbLgtOn, 0, 0);
        outer->addWidget(pnlLgtBasic, 1, 0);

        auto* grid = new QGridLayout(pnlLgtBasic);
        tbLgtPower = Make<TLinkedTrackBar>(pnlLgtBasic, "tbLgtPower");
        tbLgtPower->setRange(0, 100);
        tbLgtPower->SetScale(100);
        tbLgtPower->SetCommand("light.light.power");
        edtLgtPower = Make<TNumberEdit>(pnlLgtBasic, "edtLgtPower");
        edtLgtPower->SetCommand("light.light.power");
        LinkScalar(tbLgtPower, edtLgtPower);
        grid->addWidget(tbLgtPower, 0, 0);
        grid->addWidget(edtLgtPower, 0, 1);

        // The colour channels sit in a frame nested in the regulated panel.
        pnlInner = Make<QFrame>(pnlLgtBasic, "pnlLgtColour");
        grid->addWidget(pnlInner, 1, 0, 1, 2);
        auto* colours = new QGridLayout(pnlInner);
        pnlLgtColor = Make<TColorPanel>(pnlInner, "pnlLgtColor");
        tbLgtRed = ChannelSlider(pnlInner, "tbLgtRed");
        tbLgtGreen = ChannelSlider(pnlInner, "tbLgtGreen");
        tbLgtBlue = ChannelSlider(pnlInner, "tbLgtBlue");
        edtLgtRed = ChannelField(pnlInner, "edtLgtRed");
        edtLgtGreen = ChannelField(pnlInner, "edtLgtGreen");
        edtLgtBlue = ChannelField(pnlInner, "edtLgtBlue");
        LinkColorChannel(tbLgtRed, edtLgtRed, pnlLgtColor);
        LinkColorChannel(tbLgtGreen, edtLgtGreen, pnlLgtColor);
        LinkColorChannel(tbLgtBlue, edtLgtBlue, pnlLgtColor);
        pnlLgtColor->SetTargetR(edtLgtRed);
        pnlLgtColor->SetTargetG(edtLgtGreen);
        pnlLgtColor->SetTargetB(edtLgtBlue);
        TLinkedTrackBar* sliders[] = {tbLgtRed, tbLgtGreen, tbLgtBlue};
        TNumberEdit* fields[] = {edtLgtRed, edtLgtGreen, edtLgtBlue};
        for (int i = 0; i < 3; ++i) {
            colours->addWidget(sliders[i], i, 0);
            colours->addWidget(fields[i], i, 1);
        }
        colours->addWidget(pnlLgtColor, 0, 2, 3, 1);

        cbLgtOn->setChecked(true);
        cbLgtOn->SetRegulateControl(pnlLgtBasic);
    }

    QList<QWidget*> Inside() const { return pnlLgtBasic->findChildren<QWidget*>(); }
};

void Press(QWidget* w)
{
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(8, w->height() / 2));
}

TEST(LinkedControlsWindow, SliderFieldSwatchAndRegulatedPanel)
{
    TestWindow t;
    t.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&t.window));

    // Field to slider, typed digit by digit: the typed text stays.
    t.edtLgtPower->SetTextUtf8("");
    QTest::keyClicks(t.edtLgtPower, "0.359");
    EXPECT_EQ(t.tbLgtPower->Position(), 35);
    EXPECT_EQ(t.edtLgtPower->TextUtf8(), "0.359");
    EXPECT_EQ(WrittenText(t.edtLgtPower), "0.359");
    // Pasted at once while the slider stands elsewhere: the slider answers and the field follows.
    t.tbLgtPower->SetPosition(80);
    t.edtLgtPower->SetTextUtf8("");
    QApplication::clipboard()->setText(QStringLiteral("0.359"));
    t.edtLgtPower->PasteFromClipboard();
    EXPECT_EQ(t.tbLgtPower->Position(), 35);
    EXPECT_EQ(t.edtLgtPower->TextUtf8(), "0.35");

    // Swatch: pure red, then the blue slider to 255 gives magenta.
    t.edtLgtRed->SetValue(255);
    EXPECT_EQ(t.tbLgtRed->Position(), 255);
    EXPECT_EQ(t.pnlLgtColor->Color(), 0x0000FFu);
    t.tbLgtBlue->SetPosition(255);
    EXPECT_EQ(t.pnlLgtColor->Color(), 0xFF00FFu);
    EXPECT_EQ(t.edtLgtBlue->TextUtf8(), "255");

    // The check box regulates everything in the panel, nested frame included.
    EXPECT_TRUE(t.pnlLgtBasic->isEnabled());
    Press(t.cbLgtOn);
    EXPECT_FALSE(t.cbLgtOn->isChecked());
    EXPECT_FALSE(t.pnlLgtBasic->isEnabled());
    for (QWidget* w : t.Inside())
        EXPECT_TRUE(w->testAttribute(Qt::WA_Disabled)) << w->objectName().toStdString();
    Press(t.cbLgtOn);
    EXPECT_TRUE(t.cbLgtOn->isChecked());
    for (QWidget* w : t.Inside())
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
}

TEST(LinkedControlsScalar, SliderAtItsMaximumLeavesTheField)
{
    TestWindow t;
    t.tbLgtPower->setRange(0, 500);
    t.tbLgtPower->SetScale(0);
    t.edtLgtPower->SetMax(500);
    t.edtLgtPower->SetLimit(true);
    t.edtLgtPower->SetValue(120);
    EXPECT_EQ(t.tbLgtPower->Position(), 120);
    t.tbLgtPower->SetPosition(500);
    EXPECT_EQ(t.edtLgtPower->Value(), 120);
    EXPECT_EQ(WrittenText(t.tbLgtPower), "500"); // a tag of 0 writes the position

    // Without a limit the field may go beyond the slider; moving the slider overwrites it.
    t.edtLgtPower->SetLimit(false);
    t.edtLgtPower->SetTextUtf8("600");
    EXPECT_EQ(t.tbLgtPower->Position(), 500);
    EXPECT_EQ(t.edtLgtPower->TextUtf8(), "600");
    t.tbLgtPower->SetPosition(499);
    EXPECT_EQ(t.edtLgtPower->TextUtf8(), "499");
}

TEST(LinkedControlsCheckBox, ProgramStateAndAssignment)
{
    TestWindow t;
    // Setting the state by program leaves the panel alone.
    t.cbLgtOn->setChecked(false);
    EXPECT_TRUE(t.pnlLgtBasic->isEnabled());
    // Assigning a regulated control regulates it at once.
    QFrame other;
    auto* inside = new QLabel(&other);
    inside->setEnabled(false);
    t.cbLgtOn->SetRegulateControl1(&other);
    EXPECT_FALSE(other.isEnabled());
    t.cbLgtOn->setChecked(true);
    EXPECT_FALSE(other.isEnabled());
    t.cbLgtOn->SetRegulateControl1(&other);
    EXPECT_TRUE(other.isEnabled());
    EXPECT_TRUE(inside->isEnabled()); // every control inside gets the state, not only the container
}

TEST(LinkedControlsCheckBox, DestroyedControlIsForgotten)
{
    TEnableControlCheckBox box;
    auto* panel = new QFrame;
    box.SetRegulateControl(panel);
    EXPECT_EQ(box.RegulateControl(), panel);
    delete panel;
    EXPECT_EQ(box.RegulateControl(), nullptr);
    box.click();
    EXPECT_TRUE(box.isChecked());
}

TEST(LinkedControlsCheckBox, GrayedCountsAsUnchecked)
{
    TEnableControlCheckBox box;
    box.SetAllowGrayed(true);
    QTabWidget pages;
    auto* page = new QWidget;
    auto* field = new TNumberEdit(page);
    pages.addTab(page, QStringLiteral("Page"));
    box.SetRegulateControl(&pages);
    EXPECT_FALSE(field->isEnabled());
    box.click();
    EXPECT_EQ(box.checkState(), Qt::PartiallyChecked);
    EXPECT_FALSE(field->isEnabled());
    box.click();
    EXPECT_EQ(box.checkState(), Qt::Checked);
    EXPECT_TRUE(field->isEnabled());
    EXPECT_TRUE(field->testAttribute(Qt::WA_Disabled) == false);
    box.click();
    EXPECT_EQ(box.checkState(), Qt::Unchecked);
    EXPECT_TRUE(field->testAttribute(Qt::WA_Disabled));
}

TEST(LinkedControlsComboBox, ItemValues)
{
    TComboBoxYafRay combo;
    combo.SetItems({"multiply                =mul", "image                      =jpeg", "mix"});
    EXPECT_EQ(combo.itemText(0), QStringLiteral("multiply"));
    combo.SelectValue("jpeg");
    EXPECT_EQ(combo.currentIndex(), 1);
    EXPECT_EQ(WrittenText(&combo), "jpeg");
    combo.SelectValue("maybe");
    EXPECT_EQ(combo.currentIndex(), -1);
    EXPECT_EQ(WrittenText(&combo), "");
    combo.addItem(QStringLiteral("plain text  =val"));
    EXPECT_EQ(combo.ItemValueAt(3), "val");
}

TEST(LinkedControlsPlacement, RoundTripThroughTheSettings)
{
    test::TempDir dir;
    TIniFileCompo ini(dir / "kelvane");
    ini.SetAutoUpdate(false);
    // Nothing stored: a window the platform has not placed yet is left to the platform.
    QWidget fresh;
    ReadForm(ini, "Interface", "W", fresh);
    EXPECT_FALSE(fresh.testAttribute(Qt::WA_Moved));

    QWidget first;
    first.setGeometry(40, 50, 300, 200);
    WriteForm(ini, "Interface", "W", first);
    EXPECT_EQ(ini.ReadString("Interface", "W.left", ""), "40");
    EXPECT_EQ(ini.ReadString("Interface", "W.width", ""), "340");
    EXPECT_EQ(ini.ReadString("Interface", "W.height", ""), "250");
    EXPECT_EQ(ini.ReadString("Interface", "W.cwidth", ""), "300");
    EXPECT_EQ(ini.ReadString("Interface", "W.state", ""), "0");

    QWidget second;
    ReadForm(ini, "Interface", "W", second);
    EXPECT_FALSE(second.isVisible());
    EXPECT_EQ(second.geometry(), QRect(40, 50, 300, 200));

    ini.WriteInteger("Interface", "W.state", 2);
    QWidget third;
    ReadForm(ini, "Interface", "W", third);
    EXPECT_TRUE(third.windowState() & Qt::WindowMaximized);

    // A rectangle on no screen comes back onto one.
    ini.WriteInteger("Interface", "W.left", 100000);
    ini.WriteInteger("Interface", "W.width", 100300);
    QWidget fourth;
    ReadForm(ini, "Interface", "W", fourth);
    EXPECT_LT(fourth.geometry().left(), 10000);
    EXPECT_EQ(fourth.geometry().width(), 300);
}

} // namespace
} // namespace kelvane
