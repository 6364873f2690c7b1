#include "controls/ui/WidgetPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace kelvane {

namespace {

constexpr int kRestoreToMaximized = 2;

QRect NormalRect(const QWidget* w)
{
    if (w->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)) {
        const QRect normal = w->normalGeometry();
        if (normal.isValid())
            return normal;
    }
    return w->geometry();
}

// Keeps a window reachable: a restored rectangle that would fall off the screens is moved onto
// the screen holding most of it (the primary one when none does) and made to fit it.
QRect OnScreen(const QWidget* w, QRect r)
{
    if (!w->isWindow())
        return r;
    const QScreen* best = ScreenOf(r);
    if (!best)
        return r;
    return FitRect(r, best->availableGeometry());
}

} // namespace

QRect FitRect(QRect r, const QRect& area)
{
    if (area.isEmpty())
        return r;
    r.setWidth(std::min(r.width(), area.width()));
    r.setHeight(std::min(r.height(), area.height()));
    r.moveLeft(std::clamp(r.left(), area.left(), area.right() + 1 - r.width()));
    r.moveTop(std::clamp(r.top(), area.top(), area.bottom() + 1 - r.height()));
    return r;
}

const QScreen* ScreenOf(const QRect& r)
{
    const QScreen* best = QGuiApplication::primaryScreen();
    long long most = 0;
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRect common = s->geometry().intersected(r);
        const long long area = common.isEmpty() ? 0 : (long long)common.width() * common.height();
        if (area > most) {
            most = area;
            best = s;
        }
    }
    return best;
}

void FitOnScreen(QWidget& window)
{
    if (!window.isWindow() || (window.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    const QScreen* screen = ScreenOf(window.frameGeometry());
    if (!screen)
        return;
    // The frame the window manager adds stays on the screen too.
    const QRect frame = window.frameGeometry();
    const QRect inner = window.geometry();
    const QMargins margins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                           frame.bottom() - inner.bottom());
    const QRect fitted = FitRect(frame, screen->availableGeometry()).marginsRemoved(margins);
    if (fitted != inner)
        window.setGeometry(fitted);
}

namespace {

class TScreenFit : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            const Qt::WindowType type = w->windowType();
            if (w->isWindow() && (type == Qt::Window || type == Qt::Dialog || type == Qt::Tool))
                FitOnScreen(*w);
        }
        return false;
    }
};

} // namespace

void FitWindowsOnScreen()
{
    static TScreenFit* fit = nullptr;
    if (!fit && QCoreApplication::instance()) {
        fit = new TScreenFit(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(fit);
    }
}

TWindowPlacement TWidgetPlacement::GetPlacement() const
{
    TWindowPlacement p;
    if (!widget_)
        return p;
    const QRect r = NormalRect(widget_);
    p.left = r.left();
    p.top = r.top();
    p.right = r.left() + r.width();
    p.bottom = r.top() + r.height();
    const Qt::WindowStates state = widget_->windowState();
    if (state & Qt::WindowMinimized) {
        p.showCmd = swShowMinimized;
        if (state & Qt::WindowMaximized)
            p.flags = kRestoreToMaximized;
    } else if (state & Qt::WindowMaximized) {
        p.showCmd = swShowMaximized;
    } else {
        p.showCmd = swShowNormal;
    }
    return p;
}

void TWidgetPlacement::SetPlacement(const TWindowPlacement& p)
{
    if (!widget_)
        return;
    QWidget* w = widget_;
    const int width = p.right - p.left;
    const int height = p.bottom - p.top;
    const bool haveRect = width > 0 && height > 0;
    const QRect rect = haveRect ? OnScreen(w, QRect(p.left, p.top, width, height)) : QRect();
    const auto placeNormal = [&] {
        if (w->isVisible() && (w->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)))
            w->showNormal();
        // An unchanged rectangle is not set, so a window the platform has not placed yet stays
        // free to be placed by it.
        if (haveRect && rect != w->geometry())
            w->setGeometry(rect);
    };
    switch (p.showCmd) {
    case swHide:
        placeNormal();
        w->hide();
        break;
    case swShowMinimized:
    case 6:  // minimize
    case 7:  // show minimized, not active
        placeNormal();
        w->showMinimized();
        break;
    case swShowMaximized:
        placeNormal();
        w->showMaximized();
        break;
    default:
        placeNormal();
        w->show();
        break;
    }
}

bool TWidgetPlacement::IsShowing() const
{
    return widget_ && widget_->isVisible();
}

int TWidgetPlacement::WindowState() const
{
    if (!widget_)
        return wsNormal;
    if (widget_->isMinimized())
        return wsMinimized;
    if (widget_->isMaximized())
        return wsMaximized;
    return wsNormal;
}

void TWidgetPlacement::SetWindowState(int state)
{
    if (!widget_)
        return;
    Qt::WindowStates s = widget_->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
    if (state == wsMaximized)
        s |= Qt::WindowMaximized;
    widget_->setWindowState(s);
}

int TWidgetPlacement::ClientWidth() const
{
    return widget_ ? widget_->width() : 0;
}

int TWidgetPlacement::ClientHeight() const
{
    return widget_ ? widget_->height() : 0;
}

} // namespace kelvane

namespace kelvane {

void ReadForm(const TIniFileCompo& settings, std::string_view section, std::string_view ident, QWidget& widget)
{
    TWidgetPlacement placement(&widget);
    settings.ReadForm(section, ident, placement);
}

void WriteForm(TIniFileCompo& settings, std::string_view section, std::string_view ident, QWidget& widget)
{
    TWidgetPlacement placement(&widget);
    settings.WriteForm(section, ident, placement);
}

} // namespace kelvane
