#include "controls/ui/LinkedTrackBar.h"

#include "controls/LinkRules.h"
#include "controls/ui/WidgetTag.h"

#include <QMouseEvent>

namespace kelvane {

TLinkedTrackBar::TLinkedTrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setRange(0, 10);
    setTickPosition(QSlider::TicksBelow);
    setTickInterval(1);
    connect(this, &QSlider::valueChanged, this, &TLinkedTrackBar::changed);
}

int TLinkedTrackBar::Scale() const
{
    return ScaleOfTag(Tag(this));
}

void TLinkedTrackBar::SetScale(int scale)
{
    SetTag(this, scale);
}

void TLinkedTrackBar::SetFrequency(int ticks)
{
    setTickInterval(ticks);
}

void TLinkedTrackBar::mouseReleaseEvent(QMouseEvent* event)
{
    QSlider::mouseReleaseEvent(event);
    emit mouseUp();
}

} // namespace kelvane
