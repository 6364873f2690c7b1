#include "controls/ui/ColorPanel.h"

#include "controls/ui/NumberEdit.h"

#include <QDropEvent>
#include <QMimeData>
#include <QPainter>

#include <sstream>

namespace kelvane {

namespace {

bool IsPickerDrag(const QMimeData* data)
{
    return data && data->hasFormat(QLatin1String(ColourDragFormat)) && TColorPanel::DropHandler();
}

} // namespace

TColorPanel::TColorPanel(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setMinimumSize(16, 16);
    setAcceptDrops(true);
}

std::function<void(TColorPanel&, TColor)>& TColorPanel::DropHandler()
{
    static std::function<void(TColorPanel&, TColor)> handler;
    return handler;
}

void TColorPanel::dragEnterEvent(QDragEnterEvent* event)
{
    if (IsPickerDrag(event->mimeData()))
        event->acceptProposedAction();
}

void TColorPanel::dragMoveEvent(QDragMoveEvent* event)
{
    if (IsPickerDrag(event->mimeData()))
        event->acceptProposedAction();
}

void TColorPanel::dropEvent(QDropEvent* event)
{
    if (!IsPickerDrag(event->mimeData()))
        return;
    std::istringstream in(event->mimeData()->data(QLatin1String(ColourDragFormat)).toStdString());
    int r = -1, g = -1, b = -1;
    if (!(in >> r >> g >> b) || r < 0 || r > 255 || g < 0 || g > 255 || b < 0 || b > 255)
        return;
    event->acceptProposedAction();
    DropHandler()(*this, MakeColor(uint8_t(r), uint8_t(g), uint8_t(b)));
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
