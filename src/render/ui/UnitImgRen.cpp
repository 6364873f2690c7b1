#include "render/ui/UnitImgRen.h"

#include "controls/ui/WidgetPlacement.h"
#include "render/Bmp.h"
#include "render/PictureDecoders.h"
#include "render/ui/PictureImage.h"
#include "render/ui/UnitJpeg.h"
#include "scene/FileIO.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>

namespace kelvane {

TImageView::TImageView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("imgView"));
}

void TImageView::SetImage(const QImage& image)
{
    image_ = image;
    update();
}

void TImageView::paintEvent(QPaintEvent*)
{
    if (image_.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(rect(), image_);
}

TfrmImgRen::TfrmImgRen(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmImgRen"));
    setWindowTitle(QStringLiteral("ImageWindow"));
    resize(520, 420);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    lblTime = new QLabel(this);
    lblTime->setObjectName(QStringLiteral("lblTime"));
    lblTime->setAlignment(Qt::AlignCenter);
    layout->addWidget(lblTime);
    auto* body = new QHBoxLayout;
    auto* side = new QVBoxLayout;
    auto button = [this, side](const char* name, const char* caption, auto handler) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setFixedWidth(100);
        side->addWidget(b);
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    btnOpenImg = button("btnOpenImg", "Open", [this] { btnOpenImgClick(); });
    btnShowRen = button("btnShowRen", "Rendered Image", [this] { btnShowRenClick(); });
    btnSaveImg = button("btnSaveImg", "Save", [this] { btnSaveImgClick(); });
    side->addSpacing(12);
    lblRate = new QLabel(QString::fromStdString(ZoomRateText(1.0)), this);
    lblRate->setObjectName(QStringLiteral("lblRate"));
    side->addWidget(lblRate);
    btnRegular = button("btnRegular", "100 %", [this] { btnRegularClick(); });
    btnExpand = button("btnExpand", "Zoom In", [this] { btnExpandClick(); });
    btnReduce = button("btnReduce", "Zoom Out", [this] { btnReduceClick(); });
    btnAllview = button("btnAllview", "Fit to Size", [this] { btnAllViewDown(); });
    btnAllview->setCheckable(true);
    side->addStretch(1);
    btnClose = button("btnClose", "Close", [this] { btnCloseClick(); });
    body->addLayout(side);
    scrImage = new QScrollArea(this);
    scrImage->setObjectName(QStringLiteral("scrImage"));
    scrImage->setWidgetResizable(false);
    scrImage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    imgView = new TImageView;
    imgView->resize(0, 0);
    scrImage->setWidget(imgView);
    body->addWidget(scrImage, 1);
    layout->addLayout(body, 1);
}

void TfrmImgRen::ApplyZoom()
{
    imgView->resize(zoom_.Scaled(naturalWidth_), zoom_.Scaled(naturalHeight_));
    lblRate->setText(QString::fromStdString(ZoomRateText(zoom_.factor)));
}

void TfrmImgRen::FitToWindow()
{
    if (zoom_.Fit(naturalWidth_, naturalHeight_, scrImage->width(), scrImage->height()))
        ApplyZoom();
}

void TfrmImgRen::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    if (hooks_.settings && !placed_) {
        placed_ = true;
        ReadForm(*hooks_.settings, "Interface", "ImgWindow", *this);
    }
    zoom_.Reset();
    naturalWidth_ = imgView->Image().width();
    naturalHeight_ = imgView->Image().height();
    ApplyZoom();
    btnAllview->setChecked(true);
    FitToWindow();
}

void TfrmImgRen::closeEvent(QCloseEvent* event)
{
    if (hooks_.settings)
        WriteForm(*hooks_.settings, "Interface", "ImgWindow", *this);
    placed_ = false;
    QWidget::closeEvent(event);
}

void TfrmImgRen::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (btnAllview->isChecked())
        FitToWindow();
}

void TfrmImgRen::Show(const QImage& image)
{
    imgView->SetImage(image);
    zoom_.Reset();
    naturalWidth_ = image.width();
    naturalHeight_ = image.height();
    ApplyZoom();
}

void TfrmImgRen::ShowRendered(const TPicture& picture)
{
    imageStream_ = ToQImage(picture);
    Show(imageStream_);
    btnAllview->setChecked(false);
    mode_ = TImageMode::Rendered;
    if (isHidden())
        show();
    raise();
}

void TfrmImgRen::btnOpenImgClick()
{
    if (!hooks_.openFile || !hooks_.decoders)
        return;
    const QString chosen = hooks_.openFile(QStringLiteral("Open Image"), QStringLiteral("Targa (*.tga)|*.tga"));
    if (chosen.isEmpty())
        return;
    const std::filesystem::path file = chosen.toStdString();
    QImage image;
    try {
        image = ToQImage(hooks_.decoders->Load(file));
    } catch (const std::exception& e) {
        if (hooks_.error)
            hooks_.error(QString::fromUtf8(e.what()));
        return;
    }
    Show(image);
    FitToWindow();
    mode_ = TImageMode::Opened;
    setWindowTitle(QStringLiteral("ImageWindow"));
    lblTime->setText(chosen);
    lastOpened_ = file;
}

void TfrmImgRen::btnShowRenClick()
{
    if (imageStream_.isNull())
        return;
    Show(imageStream_);
    FitToWindow();
    btnAllview->setChecked(true);
    mode_ = TImageMode::Rendered;
}

void TfrmImgRen::btnSaveImgClick()
{
    if (mode_ == TImageMode::None || !hooks_.saveFile)
        return;
    const std::string outputName = hooks_.outputName ? hooks_.outputName().toStdString() : std::string();
    const TSaveDialogSetup setup = SaveDialogSetup(mode_, outputName, lastOpened_);
    QStringList filter, extensions;
    for (const TSaveFileType& type : setup.types) {
        filter << QString::fromStdString(type.description) << QString::fromStdString(type.patterns);
        extensions << QString::fromStdString(type.defaultExtension);
    }
    const QString chosen = hooks_.saveFile(QStringLiteral("Save Image"), filter.join(QLatin1Char('|')),
                                           QString::fromStdString(setup.proposedName), extensions);
    if (!chosen.isEmpty())
        SaveAs(chosen);
}

void TfrmImgRen::SaveAs(const QString& chosen)
{
    const std::filesystem::path target = chosen.toStdString();
    try {
        switch (SaveActionFor(chosen.toStdString(), mode_)) {
        case TSaveAction::Nothing:
            break;
        case TSaveAction::CopyRenderedTarga:
            CopyFileAtomic(hooks_.programFolder / kRenderedImageFile, target);
            break;
        case TSaveAction::Bitmap:
            SaveBmp(target, FromQImage(imgView->Image()));
            break;
        case TSaveAction::Jpeg: {
            if (!hooks_.settings)
                break;
            TfrmJpeg dialog(*hooks_.settings, FromQImage(imgView->Image()), target, hooks_.error, this);
            if (hooks_.runJpeg)
                hooks_.runJpeg(dialog);
            break;
        }
        case TSaveAction::Png: {
            if (!hooks_.settings)
                break;
            TfrmPNG dialog(*hooks_.settings, FromQImage(imgView->Image()), target, hooks_.error, this);
            if (hooks_.runPng)
                hooks_.runPng(dialog);
            break;
        }
        case TSaveAction::WrongFormat:
            if (hooks_.message)
                hooks_.message(QString::fromLatin1(kWrongFormatMessage));
            break;
        }
    } catch (const std::exception& e) {
        if (hooks_.error)
            hooks_.error(QString::fromUtf8(e.what()));
    }
}

void TfrmImgRen::btnExpandClick()
{
    btnAllview->setChecked(false);
    if (zoom_.ZoomIn())
        ApplyZoom();
}

void TfrmImgRen::btnReduceClick()
{
    btnAllview->setChecked(false);
    if (zoom_.ZoomOut())
        ApplyZoom();
}

void TfrmImgRen::btnRegularClick()
{
    btnAllview->setChecked(false);
    zoom_.Reset();
    ApplyZoom();
}

void TfrmImgRen::btnAllViewDown()
{
    FitToWindow();
}

void TfrmImgRen::btnCloseClick()
{
    close();
}

} // namespace kelvane
