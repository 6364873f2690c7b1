#pragma once
// The warning shown before a render is stopped ("Warning"): OK asks the job to stop, Cancel
// changes nothing; "Never show this window." makes OK also turn the warning off for good.
#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;

namespace kelvane {

class TfrmStopRen : public QDialog {
    Q_OBJECT
public:
    // stop: asks the running job to stop; neverShow: stores that the warning is not wanted.
    TfrmStopRen(std::function<void()> stop, std::function<void()> neverShow, QWidget* parent = nullptr);

    void FormShow();
    void OKBtnClick();
    void CancelBtnClick();

    QLabel* Label1 = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QCheckBox* CheckBox1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::function<void()> stop_;
    std::function<void()> neverShow_;
};

} // namespace kelvane
