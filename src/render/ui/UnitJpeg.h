#pragma once
// The JPEG and PNG export dialogs: encoder options kept in the settings (section "Save"), then
// the picture encoded and written beside the target and renamed over it. Each is made for one
// save and shown modally.
#include "render/Picture.h"

#include <QDialog>

#include <filesystem>
#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;

namespace kelvane {

class TIniFileCompo;

// The error box for a failed encoding or write (the error's text).
using TExportError = std::function<void(const QString&)>;

class TfrmJpeg : public QDialog {
    Q_OBJECT
public:
    TfrmJpeg(TIniFileCompo& settings, TPicture picture, std::filesystem::path target, TExportError error,
             QWidget* parent = nullptr);

    void FormShow();
    void TrackJpegChange();
    void OKBtnClick();
    void CancelBtnClick();

    QSlider* TrackJpeg = nullptr;
    QLabel* lbCompValue = nullptr;
    QCheckBox* cbProgress = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TIniFileCompo& settings_;
    TPicture picture_;
    std::filesystem::path target_;
    TExportError error_;
};

class TfrmPNG : public QDialog {
    Q_OBJECT
public:
    TfrmPNG(TIniFileCompo& settings, TPicture picture, std::filesystem::path target, TExportError error,
            QWidget* parent = nullptr);

    void FormShow();
    void TrackPNGChange();
    void OKBtnClick();
    void CancelBtnClick();
    // The selected filter position, -1 when none.
    int FilterPosition() const;

    QSlider* TrackPNG = nullptr;
    QLabel* lbCompValue = nullptr;
    QWidget* rgPNGFilter = nullptr;
    QRadioButton* filterButtons[6] = {};
    QCheckBox* cbProgress = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TIniFileCompo& settings_;
    TPicture picture_;
    std::filesystem::path target_;
    TExportError error_;
};

} // namespace kelvane
