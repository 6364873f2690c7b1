#pragma once
// A colour swatch; TargetR, TargetG and TargetB are the number fields of its components.
// A colour with the high bit set (clBtnFace) is drawn in the platform's button colour.
#include "controls/ColorConvert.h"

#include <QFrame>
#include <QPointer>

namespace kelvane {

class TNumberEdit;

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

signals:
    void colorChanged(kelvane::TColor color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TColor color_ = clBtnFace;
    QPointer<TNumberEdit> targetR_;
    QPointer<TNumberEdit> targetG_;
    QPointer<TNumberEdit> targetB_;
};

} // namespace kelvane
