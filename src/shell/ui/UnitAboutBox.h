#pragma once
// The information box "Information": program name and version.
#include <QDialog>

namespace kelvane {

class TfrmAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAboutBox(QWidget* parent = nullptr);
};

} // namespace kelvane
