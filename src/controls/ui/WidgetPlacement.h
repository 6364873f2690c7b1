#pragma once
// A widget's placement for the settings store's ReadForm and WriteForm. The rectangle is the
// widget's normal-state geometry (client area, right and bottom as exclusive coordinates); the
// show command follows the window's state; a maximized position is not kept by Qt (-1, -1).
// A stored rectangle that would fall off the screens is moved onto one and made to fit it.
#include "controls/IniFileCompo.h"

#include <QPointer>
#include <QWidget>

class QScreen;

namespace kelvane {

// r moved into area, made smaller where it is larger.
QRect FitRect(QRect r, const QRect& area);
// The screen holding most of r; the primary screen when none does.
const QScreen* ScreenOf(const QRect& r);
// The window, its frame included, fits into the available part of its screen.
void FitOnScreen(QWidget& window);

// Fits every window the application shows onto its screen (FitOnScreen) as it is shown.
void FitWindowsOnScreen();

class TWidgetPlacement : public IPlacementTarget {
public:
    explicit TWidgetPlacement(QWidget* widget) : widget_(widget) {}

    TWindowPlacement GetPlacement() const override;
    void SetPlacement(const TWindowPlacement& placement) override;
    bool IsShowing() const override;
    int WindowState() const override;
    void SetWindowState(int state) override;
    int ClientWidth() const override;
    int ClientHeight() const override;

private:
    QPointer<QWidget> widget_;
};

} // namespace kelvane

namespace kelvane {

// The settings store's ReadForm and WriteForm for a widget.
void ReadForm(const TIniFileCompo& settings, std::string_view section, std::string_view ident, QWidget& widget);
void WriteForm(TIniFileCompo& settings, std::string_view section, std::string_view ident, QWidget& widget);

} // namespace kelvane
