#pragma once
// A slider linked to a number field (Target) or, for a colour channel, to a swatch (Target)
// and a number field (TargetE). Its tag is its scale: position = value * scale, 0 counting as 1.
// changed() fires whenever the position changes, also when the program sets it (OnChange);
// mouseUp() when a mouse button is released over it (OnMouseUp).
#include "controls/KeyKind.h"
#include <QPointer>
#include <QSlider>

#include <string>

namespace kelvane {

class TLinkedTrackBar : public QSlider {
    Q_OBJECT
public:
    explicit TLinkedTrackBar(QWidget* parent = nullptr);

    QObject* Target() const { return target_; }
    void SetTarget(QObject* target) { target_ = target; }
    QObject* TargetE() const { return targetE_; }
    void SetTargetE(QObject* target) { targetE_ = target; }
    const std::string& Command() const { return command_; }
    void SetCommand(std::string command) { command_ = std::move(command); }
    TKeyKind KeyKind() const { return keyKind_; }
    void SetKeyKind(TKeyKind kind) { keyKind_ = kind; }

    int Scale() const;
    void SetScale(int scale);   // sets the tag
    int Position() const { return value(); }
    void SetPosition(int position) { setValue(position); }
    void SetFrequency(int ticks);

signals:
    void changed();
    void mouseUp();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPointer<QObject> target_;
    QPointer<QObject> targetE_;
    std::string command_;
    TKeyKind keyKind_ = TKeyKind::Plain;
};

} // namespace kelvane
