#pragma once
// The output window ("Dos"): the renderer's standard output and standard error of the last render
// job, with Copy and Close. Created hidden at start-up; its placement is kept under "DosWindow".
#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace kelvane {

class TIniFileCompo;

class TfrmDos : public QWidget {
    Q_OBJECT
public:
    explicit TfrmDos(QWidget* parent = nullptr);
    // The settings store for the placement; without one the placement is not kept.
    void SetSettings(TIniFileCompo* settings) { settings_ = settings; }
    void SetTexts(const QString& dos, const QString& dosErr);

    void btnCopyClick();
    void btnCloseDosClick();

    QPlainTextEdit* reDos = nullptr;
    QPlainTextEdit* reDosErr = nullptr;
    QPushButton* btnCopy = nullptr;
    QPushButton* btnCloseDos = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    TIniFileCompo* settings_ = nullptr;
    bool placed_ = false;
};

} // namespace kelvane
