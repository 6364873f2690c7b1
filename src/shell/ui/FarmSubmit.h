#pragma once
// The options of a farm submission, asked before File > Render on farm submits: the scheduler
// (where there is more than one), partition, time limit, memory per task, tasks at once, retries,
// scenes per task and hold. They are kept in the settings ("Farm" section) for the next time.
#include <QDialog>

#include <string>

#include "render/Farm.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace kelvane {

class TIniFileCompo;

class TfrmFarmSubmit : public QDialog {
    Q_OBJECT
public:
    TfrmFarmSubmit(TIniFileCompo& settings, QWidget* parent = nullptr);

    // The options chosen, once OKBtn closed the dialog.
    const TFarmOptions& Options() const { return options_; }
    const std::string& Scheduler() const { return scheduler_; }

    QComboBox* combScheduler = nullptr;
    QLineEdit* edtPartition = nullptr;
    QLineEdit* edtTimeLimit = nullptr;
    QLineEdit* edtMemory = nullptr;
    QLineEdit* edtMaxParallel = nullptr;
    QLineEdit* edtRetries = nullptr;
    QLineEdit* edtPerTask = nullptr;
    QCheckBox* cbHold = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

private:
    void OKBtnClick();

    TIniFileCompo& settings_;
    TFarmOptions options_;
    std::string scheduler_;
};

} // namespace kelvane
