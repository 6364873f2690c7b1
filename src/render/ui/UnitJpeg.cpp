#include "render/ui/UnitJpeg.h"

#include "render/ImageExport.h"
#include "render/PictureFormats.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include <map>
#include <string>

namespace kelvane {

namespace {

// "Compression", the slider between "File Size: Small" and "Large", and the position shown.
QSlider* CompressionRow(QDialog* dialog, QVBoxLayout* layout, const char* name, int maximum, QLabel*& value)
{
    layout->addWidget(new QLabel(QStringLiteral("Compression"), dialog));
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("File Size: Small"), dialog));
    auto* slider = new QSlider(Qt::Horizontal, dialog);
    slider->setObjectName(QString::fromLatin1(name));
    slider->setRange(0, maximum);
    slider->setSingleStep(1);
    slider->setPageStep(1);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(1);
    row->addWidget(slider, 1);
    row->addWidget(new QLabel(QStringLiteral("Large"), dialog));
    value = new QLabel(dialog);
    value->setObjectName(QStringLiteral("lbCompValue"));
    value->setMinimumWidth(20);
    row->addWidget(value);
    layout->addLayout(row);
    return slider;
}

void DialogLook(QDialog* dialog, const char* name, const char* caption)
{
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setWindowTitle(QString::fromLatin1(caption));
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    dialog->setModal(true);
}

} // namespace

TExportDialog::TExportDialog(TIniFileCompo& settings, TPicture picture, std::filesystem::path target,
                             TExportError error, QWidget* parent)
    : QDialog(parent), settings_(settings), picture_(std::move(picture)), target_(std::move(target)),
      error_(std::move(error))
{
}

void TExportDialog::FinishLayout(QVBoxLayout* layout, const QString& checkCaption)
{
    cbProgress = new QCheckBox(checkCaption, this);
    cbProgress->setObjectName(QStringLiteral("cbProgress"));
    layout->addWidget(cbProgress);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    row->addWidget(OKBtn);
    row->addWidget(CancelBtn);
    layout->addLayout(row);
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
}

void TExportDialog::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TExportDialog::EncodeAndClose()
{
    try {
        if (encode_)
            encode_(target_, picture_, &settings_);
    } catch (const std::exception& e) {
        if (error_)
            error_(QString::fromUtf8(e.what()));
    }
    accept();
}

void TExportDialog::CancelBtnClick()
{
    reject();
}

TfrmJpeg::TfrmJpeg(TIniFileCompo& settings, TPicture picture, std::filesystem::path target, TExportError error,
                   QWidget* parent)
    : TExportDialog(settings, std::move(picture), std::move(target), std::move(error), parent)
{
    DialogLook(this, "frmJpeg", "Jpeg settings");
    encode_ = FindPictureFormat("jpg")->encode;
    auto* layout = new QVBoxLayout(this);
    TrackJpeg = CompressionRow(this, layout, "TrackJpeg", 10, lbCompValue);
    FinishLayout(layout, QStringLiteral("Progressive Jpeg"));
    connect(TrackJpeg, &QSlider::valueChanged, this, [this] { TrackJpegChange(); });
}

void TfrmJpeg::FormShow()
{
    const TJpegExportSettings stored = ReadJpegExportSettings(settings_, cbProgress->isChecked());
    TrackJpeg->setValue(stored.compression);
    lbCompValue->setText(QString::number(stored.compression));
    cbProgress->setChecked(stored.progressive);
}

void TfrmJpeg::TrackJpegChange()
{
    lbCompValue->setText(QString::number(TrackJpeg->value()));
}

void TfrmJpeg::OKBtnClick()
{
    TJpegExportSettings chosen;
    chosen.compression = TrackJpeg->value();
    chosen.progressive = cbProgress->isChecked();
    WriteJpegExportSettings(settings_, chosen);
    EncodeAndClose();
}

TfrmPNG::TfrmPNG(TIniFileCompo& settings, TPicture picture, std::filesystem::path target, TExportError error,
                 QWidget* parent)
    : TExportDialog(settings, std::move(picture), std::move(target), std::move(error), parent)
{
    DialogLook(this, "frmPNG", "PNG settings");
    encode_ = FindPictureFormat("png")->encode;
    auto* layout = new QVBoxLayout(this);
    TrackPNG = CompressionRow(this, layout, "TrackPNG", 9, lbCompValue);
    auto* group = new QGroupBox(QStringLiteral("Filter"), this);
    group->setObjectName(QStringLiteral("rgPNGFilter"));
    rgPNGFilter = group;
    auto* grid = new QGridLayout(group);
    auto* exclusive = new QButtonGroup(group);
    static const char* const names[6] = {"None", "Adaptive", "Sub", "Up", "Average", "Paeth"};
    for (int i = 0; i < 6; ++i) {
        auto* button = new QRadioButton(QString::fromLatin1(names[i]), group);
        button->setObjectName(QStringLiteral("rgPNGFilter_%1").arg(i));
        exclusive->addButton(button, i);
        grid->addWidget(button, i % 3, i / 3);
        filterButtons[i] = button;
    }
    layout->addWidget(group);
    FinishLayout(layout, QStringLiteral("Interlace PNG (Adam7)"));
    connect(TrackPNG, &QSlider::valueChanged, this, [this] { TrackPNGChange(); });
}

void TfrmPNG::FormShow()
{
    const TPngExportSettings stored = ReadPngExportSettings(settings_, cbProgress->isChecked());
    TrackPNG->setValue(stored.compression);
    lbCompValue->setText(QString::number(stored.compression));
    if (stored.filter >= 0 && stored.filter < 6)
        filterButtons[stored.filter]->setChecked(true);
    cbProgress->setChecked(stored.interlace);
}

void TfrmPNG::TrackPNGChange()
{
    lbCompValue->setText(QString::number(TrackPNG->value()));
}

int TfrmPNG::FilterPosition() const
{
    for (int i = 0; i < 6; ++i)
        if (filterButtons[i]->isChecked())
            return i;
    return -1;
}

void TfrmPNG::OKBtnClick()
{
    TPngExportSettings chosen;
    chosen.compression = TrackPNG->value();
    chosen.interlace = cbProgress->isChecked();
    chosen.filter = FilterPosition();
    WritePngExportSettings(settings_, chosen);
    EncodeAndClose();
}

namespace {

template <class T>
std::unique_ptr<TExportDialog> Make(TIniFileCompo& settings, TPicture picture, std::filesystem::path target,
                                    TExportError error, QWidget* parent)
{
    return std::make_unique<T>(settings, std::move(picture), std::move(target), std::move(error), parent);
}

std::map<std::string, TExportDialogFactory, std::less<>>& ExportDialogs()
{
    static std::map<std::string, TExportDialogFactory, std::less<>> factories{{"jpeg", Make<TfrmJpeg>},
                                                                              {"png", Make<TfrmPNG>}};
    return factories;
}

} // namespace

std::unique_ptr<TExportDialog> MakeExportDialog(const TPictureFormat& format, TIniFileCompo& settings,
                                                TPicture picture, std::filesystem::path target, TExportError error,
                                                QWidget* parent)
{
    const auto it = ExportDialogs().find(format.optionsDialog);
    if (it == ExportDialogs().end())
        return nullptr;
    std::unique_ptr<TExportDialog> dialog =
        it->second(settings, std::move(picture), std::move(target), std::move(error), parent);
    dialog->encode_ = format.encode;
    return dialog;
}

void RegisterExportDialog(std::string_view name, TExportDialogFactory factory)
{
    if (factory)
        ExportDialogs()[std::string(name)] = factory;
    else if (const auto it = ExportDialogs().find(name); it != ExportDialogs().end())
        ExportDialogs().erase(it);
}

} // namespace kelvane
