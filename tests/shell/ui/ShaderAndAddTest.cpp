// The add button's cancel path, the shader tab's colour squares and the picker's edges.
#include "EditorFixture.h"

#include "controls/ui/ColorPanel.h"
#include "controls/ui/LinkedTrackBar.h"
#include "controls/ui/NumberEdit.h"
#include "editing/SceneSession.h"
#include "editing/ui/ElementList.h"
#include "editing/ui/UnitAddObj.h"
#include "shell/ui/UnitColor.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <gtest/gtest.h>

namespace kelvane::test {
namespace {

TEST(AddButton, CancelKeepsTheFirstRowSelected)
{
    TEditorFixture f;
    TfrmMain& m = f.Start();
    m.OpenScenes({f.CopySample("a")});
    f.dialogs.onAddObj = [&](TfrmAddObj& dialog) {
        dialog.edtName->setText(QStringLiteral("Wood"));
        dialog.OKBtnClick();  // refused: the dialog stays and is cancelled
    };
    m.btnAddClick();
    EXPECT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(m.Session().SelectedRow(), 0);
    EXPECT_EQ(m.listObjList->currentRow(), 0);
}

TEST(AddButton, NewShaderJoinsTheObjectShaderList)
{
    TEditorFixture f;
    TfrmMain& m = f.Start();
    m.OpenScenes({f.CopySample("b")});
    f.dialogs.onAddObj = [](TfrmAddObj& dialog) {
        dialog.edtName->setText(QStringLiteral("Chrome"));
        dialog.OKBtnClick();
    };
    m.btnAddClick();
    EXPECT_EQ(m.listObjList->currentItem()->text(), QStringLiteral("shader -- Chrome"));
    auto* shaders = m.Controls().Get<QComboBox>("combObjShader");
    ASSERT_NE(shaders, nullptr);
    EXPECT_GE(shaders->findText(QStringLiteral("Chrome")), 0);
    EXPECT_EQ(m.CurrentPage(), m.PageControl->TabOfKind("shader"));
}

TEST(ShaderTab, PropertyRowsShowTheirPageColours)
{
    TEditorFixture f;
    TfrmMain& m = f.Start();
    m.OpenScenes({f.CopySample("c")});
    m.listObjListClick(m.Session().FindRow(u"shader -- Wood"));
    auto* properties = m.Controls().Get<QListWidget>("listShaderList");
    ASSERT_NE(properties, nullptr);
    const QImage square = properties->item(0)->icon().pixmap(12, 12).toImage();
    ASSERT_FALSE(square.isNull());
    EXPECT_EQ(square.pixelColor(6, 6), QColor(204, 153, 102));  // 0.8 0.6 0.4
}

TEST(ColourPicker, DragsAtTheEdges)
{
    TEditorFixture f;
    f.Start();
    TfrmColor& picker = *f.windows->colour;
    emit picker.HueBar->dragMoved(7, 255);
    EXPECT_EQ(picker.edtHeu->Value(), 360);
    EXPECT_EQ(picker.shpHuePoint->y(), 260);
    emit picker.HueBar->dragMoved(0, 0);
    EXPECT_EQ(picker.edtHeu->Value(), 1);
    emit picker.ColorPallet->dragMoved(255, 255);
    EXPECT_EQ(picker.edtSaturation->Value(), 0);
    EXPECT_EQ(picker.edtBrightness->Value(), 0);
    EXPECT_EQ(picker.pnlColor->Color(), MakeColor(0, 0, 0));
    EXPECT_EQ(picker.shpColorPoint->pos(), QPoint(258, 258));
}

} // namespace
} // namespace kelvane::test
