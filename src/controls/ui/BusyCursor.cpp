#include "controls/ui/BusyCursor.h"

#include "scene/WorkTick.h"

#include <QApplication>
#include <QCursor>

namespace kelvane {

namespace {

TBusyCursor* innermost = nullptr;

void TickInnermost()
{
    if (innermost)
        innermost->Tick();
}

} // namespace

TBusyCursor::TBusyCursor(std::chrono::milliseconds delay) : delay_(delay), outer_(innermost)
{
    clock_.start();
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Show(); });
    timer_.start(delay_);
    innermost = this;
    outerHook_ = SetWorkTickHook(&TickInnermost);
}

TBusyCursor::~TBusyCursor()
{
    SetWorkTickHook(outerHook_);
    innermost = outer_;
    timer_.stop();
    if (shown_)
        QApplication::restoreOverrideCursor();
}

void TBusyCursor::Show()
{
    if (shown_)
        return;
    shown_ = true;
    QApplication::setOverrideCursor(Qt::BusyCursor);
}

void TBusyCursor::Tick()
{
    if (ticking_ || clock_.elapsed() < delay_.count())
        return;
    Show();
    // The work holds the thread: its windows repaint here, user input waits until it ends.
    ticking_ = true;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    ticking_ = false;
}

} // namespace kelvane
