#pragma once
// The JPEG and PNG export dialogs: encoder options kept in the settings (section "Save"), then
// the picture encoded and written beside the target and renamed over it. Each is made for one
// save and shown modally.
#include "render/Picture.h"
#include "render/PictureFormats.h"

#include <QDialog>

#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QVBoxLayout;

namespace kelvane {

class TIniFileCompo;

// The error box for a failed encoding or write (the error's text).
using TExportError = std::function<void(const QString&)>;

// What both dialogs share: the picture and target, the settings, the compression value label,
// the check box, OK and Cancel. Showing the dialog loads the stored options; OK stores the chosen
// ones and encodes.
class TExportDialog : public QDialog {
    Q_OBJECT
public:
    virtual void FormShow() = 0;
    virtual void OKBtnClick() = 0;
    void CancelBtnClick();

    QLabel* lbCompValue = nullptr;
    QCheckBox* cbProgress = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    TExportDialog(TIniFileCompo& settings, TPicture picture, std::filesystem::path target, TExportError error,
                  QWidget* parent);
    void showEvent(QShowEvent* event) override;
    // The check box with its caption, then OK and Cancel, wired.
    void FinishLayout(QVBoxLayout* layout, const QString& checkCaption);
    // Encodes with the encoder and the options just stored; a failure is shown through the error
    // box and the dialog still closes.
    void EncodeAndClose();

    TIniFileCompo& settings_;
    TPicture picture_;
    std::filesystem::path target_;
    TExportError error_;
    TPictureEncoder encode_;  // the dialog's own format's, unless MakeExportDialog sets another

    friend std::unique_ptr<TExportDialog> MakeExportDialog(const TPictureFormat& format, TIniFileCompo& settings,
                                                           TPicture picture, std::filesystem::path target,
                                                           TExportError error, QWidget* parent);
};

class TfrmJpeg : public TExportDialog {
    Q_OBJECT
public:
    TfrmJpeg(TIniFileCompo& settings, TPicture picture, std::filesystem::path target, TExportError error,
             QWidget* parent = nullptr);

    void FormShow() override;
    void TrackJpegChange();
    void OKBtnClick() override;

    QSlider* TrackJpeg = nullptr;
};

class TfrmPNG : public TExportDialog {
    Q_OBJECT
public:
    TfrmPNG(TIniFileCompo& settings, TPicture picture, std::filesystem::path target, TExportError error,
            QWidget* parent = nullptr);

    void FormShow() override;
    void TrackPNGChange();
    void OKBtnClick() override;
    // The selected filter position, -1 when none.
    int FilterPosition() const;

    QSlider* TrackPNG = nullptr;
    QWidget* rgPNGFilter = nullptr;
    QRadioButton* filterButtons[6] = {};
};

// The options dialog the format names ("jpeg", "png"), encoding with the format's encoder; nullptr
// for an unknown dialog.
using TExportDialogFactory = std::unique_ptr<TExportDialog> (*)(TIniFileCompo& settings, TPicture picture,
                                                                std::filesystem::path target, TExportError error,
                                                                QWidget* parent);
std::unique_ptr<TExportDialog> MakeExportDialog(const TPictureFormat& format, TIniFileCompo& settings,
                                                TPicture picture, std::filesystem::path target, TExportError error,
                                                QWidget* parent);
// Makes factory build the dialog of that name; nullptr takes it back.
void RegisterExportDialog(std::string_view name, TExportDialogFactory factory);

} // namespace kelvane
