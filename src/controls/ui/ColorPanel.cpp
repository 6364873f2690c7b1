#include "controls/ui/ColorPanel.h"

#include "controls/ui/NumberEdit.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include <sstream>

namespace kelvane {

namespace {

bool IsColourDrag(const QMimeData* data)
{
    return data && data->hasFormat(QLatin1String(ColourDragFormat)) && TColorPanel::DropHandler();
}

bool ParseColour(const QMimeData* data, TColor& colour)
{
    std::istringstream in(data->data(QLatin1String(ColourDragFormat)).toStdString());
    int r = -1, g = -1, b = -1;
    if (!(in >> r >> g >> b) || r < 0 || r > 255 || g < 0 || g > 255 || b < 0 || b > 255)
        return false;
    colour = MakeColor(uint8_t(r), uint8_t(g), uint8_t(b));
    return true;
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

void TColorPanel::Preview(const QDropEvent* event)
{
    const auto* source = qobject_cast<const TColorPanel*>(event->source());
    TColor colour = 0;
    if (!(dragPreview_ || (source && source->dragPreview_)) || !ParseColour(event->mimeData(), colour))
        return;
    if (!previewing_ || preview_ != colour) {
        previewing_ = true;
        preview_ = colour;
        update();
    }
}

void TColorPanel::dragEnterEvent(QDragEnterEvent* event)
{
    if (!IsColourDrag(event->mimeData()))
        return;
    event->acceptProposedAction();
    Preview(event);
}

void TColorPanel::dragMoveEvent(QDragMoveEvent* event)
{
    if (!IsColourDrag(event->mimeData()))
        return;
    event->acceptProposedAction();
    Preview(event);
}

void TColorPanel::dragLeaveEvent(QDragLeaveEvent*)
{
    if (previewing_) {
        previewing_ = false;
        update();
    }
}

void TColorPanel::dropEvent(QDropEvent* event)
{
    if (previewing_) {
        previewing_ = false;
        update();
    }
    TColor colour = 0;
    if (!IsColourDrag(event->mimeData()) || !ParseColour(event->mimeData(), colour))
        return;
    event->acceptProposedAction();
    DropHandler()(*this, colour);
}

void TColorPanel::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
    pressedAt_ = event->position().toPoint();
    QFrame::mousePressEvent(event);
}

void TColorPanel::mouseMoveEvent(QMouseEvent* event)
{
    if (!pressed_ || !(event->buttons() & Qt::LeftButton) || (color_ & 0x80000000u) ||
        (event->position().toPoint() - pressedAt_).manhattanLength() < QApplication::startDragDistance()) {
        QFrame::mouseMoveEvent(event);
        return;
    }
    pressed_ = false;
    const TBgr c = SplitColor(color_);
    auto* data = new QMimeData;
    data->setData(QLatin1String(ColourDragFormat),
                  QByteArray::number(c.red) + ' ' + QByteArray::number(c.green) + ' ' + QByteArray::number(c.blue));
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction);
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
        const TColor shown = ShownColor();
        if (shown & 0x80000000u) {
            fill = palette().color(QPalette::Button);
        } else {
            const TBgr c = SplitColor(shown);
            fill = QColor(c.red, c.green, c.blue);
        }
        painter.fillRect(contentsRect(), fill);
    }
    QFrame::paintEvent(event);
}

} // namespace kelvane
