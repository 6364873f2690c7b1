// The add button's cancel path, the shader tab's colour squares and the picker's edges and drags.
#include "EditorFixture.h"

#include "controls/ui/ColorPanel.h"
#include "controls/ui/LinkedTrackBar.h"
#include "controls/ui/NumberEdit.h"
#include "editing/SceneSession.h"
#include "editing/ui/ElementList.h"
#include "editing/ui/UnitAddObj.h"
#include "shell/ui/UnitColor.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
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
    m.listObjListClick(m.Session().FindRow("shader -- Wood"));
    auto* properties = m.Controls().Get<QListWidget>("listShaderList");
    ASSERT_NE(properties, nullptr);
    const QImage square = properties->item(0)->icon().pixmap(12, 12).toImage();
    ASSERT_FALSE(square.isNull());
    EXPECT_EQ(square.pixelColor(6, 6), QColor(204, 153, 102));  // 0.8 0.6 0.4
}

TEST(ShaderTab, AnUnreadableTexturePictureShowsItsFileName)
{
    TEditorFixture f;
    TfrmMain& m = f.Start();
    const fs::path scene = f.CopySample("d");
    fs::remove(scene.parent_path() / "wood.jpg");
    m.OpenScenes({scene});
    m.listObjListClick(m.Session().FindRow("shader -- Wood"));
    auto* picture = m.Controls().Get<QLabel>("imgTexture");
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(picture->pixmap().isNull());
    EXPECT_EQ(picture->toolTip(), QStringLiteral("wood.jpg"));
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

TEST(ColourPicker, ADragKeepsThePointerOnThePicture)
{
    TEditorFixture f;
    f.Start();
    TfrmColor& picker = *f.windows->colour;
    TPixelRowsImage& palette = *picker.ColorPallet;
    QTest::mousePress(&palette, Qt::LeftButton, {}, QPoint(10, 20));
    const QPoint outside(400, -30);
    QMouseEvent move(QEvent::MouseMove, QPointF(outside), QPointF(palette.mapToGlobal(outside)), Qt::NoButton,
                     Qt::LeftButton, {});
    QApplication::sendEvent(&palette, &move);
    EXPECT_EQ(QCursor::pos(), palette.mapToGlobal(QPoint(255, 0)));
    EXPECT_EQ(picker.shpColorPoint->pos(), QPoint(258, 3));
    QTest::mouseRelease(&palette, Qt::LeftButton, {}, QPoint(255, 0));
    EXPECT_FALSE(palette.Dragging());
}

} // namespace
} // namespace kelvane::test
