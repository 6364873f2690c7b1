#pragma once
// A check box that enables the controls it regulates: after each toggle (a click or the space
// bar) and when a control is assigned, RegulateControl and RegulateControl1 are enabled when the
// box is checked (grayed counts as unchecked) and disabled otherwise, and so is everything inside
// them, to any depth. Setting the state by program regulates nothing. A regulated control that
// is destroyed is forgotten.
#include <QCheckBox>
#include <QPointer>

namespace kelvane {

class TEnableControlCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit TEnableControlCheckBox(QWidget* parent = nullptr);
    explicit TEnableControlCheckBox(const QString& caption, QWidget* parent = nullptr);

    QWidget* RegulateControl() const { return regulate_; }
    void SetRegulateControl(QWidget* control);
    QWidget* RegulateControl1() const { return regulate1_; }
    void SetRegulateControl1(QWidget* control);

    bool AllowGrayed() const { return isTristate(); }
    void SetAllowGrayed(bool value) { setTristate(value); }

    // Sets control and every widget inside it (not separate windows) to enabled.
    static void SetEnabledTree(QWidget* control, bool enabled);

protected:
    void nextCheckState() override;

private:
    void Regulate(QWidget* control) const;

    QPointer<QWidget> regulate_;
    QPointer<QWidget> regulate1_;
};

} // namespace kelvane
