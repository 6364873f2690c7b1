#include "render/ui/UnitJpeg.h"

#include "render/ImageExport.h"

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

void Buttons(QDialog* dialog, QVBoxLayout* layout, QPushButton*& ok, QPushButton*& cancel)
{
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    row->addWidget(ok);
    row->addWidget(cancel);
    layout->addLayout(row);
}

void DialogLook(QDialog* dialog, const char* name, const char* caption)
{
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setWindowTitle(QString::fromLatin1(caption));
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    dialog->setModal(true);
}

// Encoding runs after the settings are written; its failure is shown and the dialog closes.
template <typename F>
void Encode(const TExportError& error, F&& body)
{
    try {
        body();
    } catch (const std::exception& e) {
        if (error)
            error(QString::fromUtf8(e.what()));
    }
}

} // namespace

TfrmJpeg::TfrmJpeg(TIniFileCompo& settings, TPicture picture, std::filesystem::path target, TExportError error,
                   QWidget* parent)
    : QDialog(parent), settings_(settings), picture_(std::move(picture)), target_(std::move(target)),
      error_(std::move(error))
{
    DialogLook(this, "frmJpeg", "Jpeg settings");
    auto* layout = new QVBoxLayout(this);
    TrackJpeg = CompressionRow(this, layout, "TrackJpeg", 10, lbCompValue);
    cbProgress = new QCheckBox(QStringLiteral("Progressive Jpeg"), this);
    cbProgress->setObjectName(QStringLiteral("cbProgress"));
    layout->addWidget(cbProgress);
    Buttons(this, layout, OKBtn, CancelBtn);
    connect(TrackJpeg, &QSlider::valueChanged, this, [this] { TrackJpegChange(); });
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
}

void TfrmJpeg::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
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
    Encode(error_, [&] { SaveJpeg(target_, picture_, chosen.Options()); });
    accept();
}

void TfrmJpeg::CancelBtnClick()
{
    reject();
}

TfrmPNG::TfrmPNG(TIniFileCompo& settings, TPicture picture, std::filesystem::path target, TExportError error,
                 QWidget* parent)
    : QDialog(parent), settings_(settings), picture_(std::move(picture)), target_(std::move(target)),
      error_(std::move(error))
{
    DialogLook(this, "frmPNG", "PNG settings");
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
    cbProgress = new QCheckBox(QStringLiteral("Interlace PNG (Adam7)"), this);
    cbProgress->setObjectName(QStringLiteral("cbProgress"));
    layout->addWidget(cbProgress);
    Buttons(this, layout, OKBtn, CancelBtn);
    connect(TrackPNG, &QSlider::valueChanged, this, [this] { TrackPNGChange(); });
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
}

void TfrmPNG::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
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
    Encode(error_, [&] { SavePng(target_, picture_, chosen.Options()); });
    accept();
}

void TfrmPNG::CancelBtnClick()
{
    reject();
}

} // namespace kelvane
