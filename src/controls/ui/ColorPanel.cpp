#include "controls/ui/ColorPanel.h"

#include "controls/ui/NumberEdit.h"

#include <QPainter>

namespace kelvane {

TColorPanel::TColorPanel(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setMinimumSize(16, 16);
}

void TColorPanel::SetColor(TColor color)
{
    if (color == color_)
        return;
    color_ = color;
    update();
    emit colorChanged(color);
}

void TColorPanel::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(this);
        QColor fill;
        if (color_ & 0x80000000u) {
            fill = palette().color(QPalette::Button);
        } else {
            const TBgr c = SplitColor(color_);
            fill = QColor(c.red, c.green, c.blue);
        }
        painter.fillRect(contentsRect(), fill);
    }
    QFrame::paintEvent(event);
}

} // namespace kelvane
