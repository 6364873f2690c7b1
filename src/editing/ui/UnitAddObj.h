#pragma once
// The add element dialog: a name and a kind; OK checks them and creates the element in the
// session (new row selected, name lists and presence table updated) or shows why not.
#include "editing/AddElement.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace kelvane {

class TSceneSession;

class TfrmAddObj : public QDialog {
    Q_OBJECT
public:
    // message shows a refusal in a plain message box.
    TfrmAddObj(TSceneSession& session, std::function<void(const QString&)> message, QWidget* parent = nullptr);

    QLineEdit* edtName = nullptr;
    QComboBox* combType = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    // Checks and creates; closes the dialog on success, else shows the message and stays open.
    void OKBtnClick();
    // What the last successful OK made (kind empty when nothing was added).
    const TAddOutcome& Added() const { return added_; }

private:
    TSceneSession& session_;
    std::function<void(const QString&)> message_;
    TAddOutcome added_;
};

} // namespace kelvane
