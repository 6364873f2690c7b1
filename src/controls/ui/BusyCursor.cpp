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
    // Ticks may come once per element of a large scene: the loop runs at most every 40 ms.
    const qint64 now = clock_.elapsed();
    if (ticking_ || now < delay_.count() || now < nextPump_)
        return;
    nextPump_ = now + 40;
    Show();
    // The work holds the thread: its windows repaint here, user input waits until it ends.
    ticking_ = true;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    ticking_ = false;
}

} // namespace kelvane
