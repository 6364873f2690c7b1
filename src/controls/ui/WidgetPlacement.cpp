#include "controls/ui/WidgetPlacement.h"

#include <QGuiApplication>
#include <QScreen>

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

// Keeps a window reachable: a rectangle on no screen moves to the primary screen's corner.
QRect OnScreen(const QWidget* w, QRect r)
{
    if (!w->isWindow())
        return r;
    const auto screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return r;
    for (const QScreen* s : screens)
        if (s->geometry().intersects(r))
            return r;
    r.moveTopLeft(QGuiApplication::primaryScreen()->availableGeometry().topLeft());
    return r;
}

} // namespace

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
