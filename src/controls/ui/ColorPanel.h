#pragma once
// A colour swatch; TargetR, TargetG and TargetB are the number fields of its components.
// A colour with the high bit set (clBtnFace) is drawn in the platform's button colour.
// Colours dragged from the colour picker may be dropped on it; the picker decides what a drop
// does (it installs the drop handler).
#include "controls/ColorConvert.h"

#include <QFrame>
#include <QPointer>

#include <functional>

namespace kelvane {

class TNumberEdit;

// The format of the colour picker's drags: the colour as "R G B" (components 0..255).
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

    // Runs for a picker colour dropped on a swatch; drops are refused while none is installed.
    static std::function<void(TColorPanel& target, TColor colour)>& DropHandler();

signals:
    void colorChanged(kelvane::TColor color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    TColor color_ = clBtnFace;
    QPointer<TNumberEdit> targetR_;
    QPointer<TNumberEdit> targetG_;
    QPointer<TNumberEdit> targetB_;
};

} // namespace kelvane
