#pragma once
// The configuration dialog: the renderer's path and the text colour of each element kind.
#include "controls/KindColours.h"

#include <QDialog>
#include <QString>

#include <vector>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kelvane {

class TIniFileCompo;

// The named colours the colour drop-down offers, in order.
struct TNamedColour {
    QString name;
    TColor colour;
};
const std::vector<TNamedColour>& NamedColours();

class TfrmConfigu : public QDialog {
    Q_OBJECT
public:
    explicit TfrmConfigu(TIniFileCompo& settings, QWidget* parent = nullptr);

    QLineEdit* edtPath = nullptr;
    QPushButton* btnOpenExe = nullptr;
    QListWidget* listFontList = nullptr;
    QComboBox* clbFontColor = nullptr;
    QLineEdit* edtThreads = nullptr;       // "System"/"Threads"
    QLineEdit* edtHistoryCount = nullptr;  // "History"/"MaxCount"
    QLineEdit* edtHistoryMB = nullptr;     // "History"/"MaxMB"
    QPushButton* btnOK = nullptr;

    void btnOpenExeClick();
    void btnOKClick();
    void listFontListClick();
    void clbFontColorChange();

    // The dialog stays until OK stores a path: Escape and the window's close request do nothing.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    TIniFileCompo& settings_;
};

} // namespace kelvane
