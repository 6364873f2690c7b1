#pragma once
// A colour swatch; TargetR, TargetG and TargetB are the number fields of its components.
// A colour with the high bit set (clBtnFace) is drawn in the platform's button colour.
// Every swatch is a drag source of its colour; colours dragged from any swatch may be dropped on
// it; the picker decides what a drop does (it installs the drop handler). While a drag from a
// previewing swatch (the picker's) passes over a swatch, or any drag over a previewing one, the
// swatch under the mouse shows the dragged colour.
#include "controls/ColorConvert.h"

#include <QFrame>
#include <QPointer>

#include <functional>

namespace kelvane {

class TNumberEdit;

// The format of swatch drags: the colour as "R G B" (components 0..255).
inline constexpr char ColourDragFormat[] = "application/x-kelvane-picker-colour";

class TColorPanel : public QFrame {
    Q_OBJECT
public:
    explicit TColorPanel(QWidget* parent = nullptr);

    TColor Color() const { return color_; }
    void SetColor(TColor color);

    TNumberEdit* TargetR() const { return targetR_; }
    void SetTargetR(TNumberEdit* edit) { targetR_ = edit; }
    TNumberEdit* TargetG() const { return targetG_; }
    void SetTargetG(TNumberEdit* edit) { targetG_ = edit; }
    TNumberEdit* TargetB() const { return targetB_; }
    void SetTargetB(TNumberEdit* edit) { targetB_ = edit; }

    bool DragPreview() const { return dragPreview_; }
    void SetDragPreview(bool on) { dragPreview_ = on; }
    // The colour shown while a drag passes over (the swatch's own colour otherwise).
    TColor ShownColor() const { return previewing_ ? preview_ : color_; }

    // Runs for a colour dropped on a swatch; drops are refused while none is installed.
    static std::function<void(TColorPanel& target, TColor colour)>& DropHandler();

signals:
    void colorChanged(kelvane::TColor color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void Preview(const QDropEvent* event);

    TColor color_ = clBtnFace;
    TColor preview_ = 0;
    bool previewing_ = false;
    bool dragPreview_ = false;
    QPoint pressedAt_;
    bool pressed_ = false;
    QPointer<TNumberEdit> targetR_;
    QPointer<TNumberEdit> targetG_;
    QPointer<TNumberEdit> targetB_;
};

} // namespace kelvane
