#include "render/ui/UnitImgRen.h"

#include "controls/ui/WidgetPlacement.h"
#include "render/Bmp.h"
#include "render/PictureDecoders.h"
#include "render/ui/HistoryPanel.h"
#include "render/ui/PictureImage.h"
#include "render/ui/UnitJpeg.h"
#include "render/PictureFormats.h"
#include "scene/FileIO.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
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
    // A click on the picture takes the keyboard, so Space flips compared renders.
    setFocusPolicy(Qt::ClickFocus);
}

void TImageView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        emit SpacePressed();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TImageView::SetImage(const QImage& image)
{
    image_ = image;
    update();
}

void TImageView::SetSelection(const TPixelRect& rect)
{
    selection_ = rect;
    update();
}

QPoint TImageView::PixelAt(QPoint at) const
{
    if (image_.isNull() || width() <= 0 || height() <= 0)
        return {};
    const int x = int((long long)std::clamp(at.x(), 0, width()) * image_.width() / width());
    const int y = int((long long)std::clamp(at.y(), 0, height()) * image_.height() / height());
    return {x, y};
}

void TImageView::paintEvent(QPaintEvent*)
{
    if (image_.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(rect(), image_);
    if (selection_.Empty())
        return;
    const double sx = double(width()) / image_.width(), sy = double(height()) / image_.height();
    const QRectF shown(selection_.x0 * sx, selection_.y0 * sy, selection_.Width() * sx, selection_.Height() * sy);
    painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(shown);
}

void TImageView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || image_.isNull())
        return QWidget::mousePressEvent(event);
    pressed_ = PixelAt(event->position().toPoint());
    dragging_ = true;
    emit Dragged(pressed_, pressed_);
}

void TImageView::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_ || !(event->buttons() & Qt::LeftButton)) {
        dragging_ = false;
        return QWidget::mouseMoveEvent(event);
    }
    emit Dragged(pressed_, PixelAt(event->position().toPoint()));
}

TfrmImgRen::TfrmImgRen(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmImgRen"));
    setWindowTitle(QStringLiteral("ImageWindow"));
    resize(600, 620);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    lblTime = new QLabel(this);
    lblTime->setObjectName(QStringLiteral("lblTime"));
    lblTime->setAlignment(Qt::AlignCenter);
    layout->addWidget(lblTime);
    auto* body = new QHBoxLayout;
    // The buttons scroll when the window is lower than their column, so it fits small screens.
    auto* sidePanel = new QWidget;
    auto* side = new QVBoxLayout(sidePanel);
    side->setContentsMargins(0, 0, 0, 0);
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
    side->addSpacing(12);
    btnRenderRegion = button("btnRenderRegion", "Render Region", [this] { btnRenderRegionClick(); });
    btnRenderRegion->setEnabled(false);
    btnRenderRegion->setToolTip(QStringLiteral("Drag a rectangle over the picture, then render only that part"));
    side->addStretch(1);
    btnClose = button("btnClose", "Close", [this] { btnCloseClick(); });
    auto* sideScroll = new QScrollArea(this);
    sideScroll->setObjectName(QStringLiteral("scrButtons"));
    sideScroll->setFrameShape(QFrame::NoFrame);
    sideScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sideScroll->setWidgetResizable(true);
    sideScroll->setWidget(sidePanel);
    sideScroll->setFixedWidth(sidePanel->sizeHint().width());
    body->addWidget(sideScroll);
    scrImage = new QScrollArea(this);
    scrImage->setObjectName(QStringLiteral("scrImage"));
    scrImage->setWidgetResizable(false);
    scrImage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    imgView = new TImageView;
    imgView->resize(0, 0);
    scrImage->setWidget(imgView);
    body->addWidget(scrImage, 1);
    layout->addLayout(body, 1);
    history_ = new THistoryPanel(this);
    layout->addWidget(history_);
    connect(imgView, &TImageView::Dragged, this, [this](QPoint from, QPoint to) { ViewDragged(from, to); });
    connect(history_, &THistoryPanel::EntryPicked, this, [this](const QImage& image, const QString& file) {
        Show(image);
        FitToWindow();
        btnAllview->setChecked(true);
        mode_ = TImageMode::Opened;
        lastOpened_ = file.toStdString();
        lblTime->setText(file);
    });
    connect(history_, &THistoryPanel::CompareChanged, this, [this](const QImage& image) {
        ShowCompared(image);
        imgView->setFocus(Qt::OtherFocusReason);
    });
    connect(imgView, &TImageView::SpacePressed, this, [this] { history_->Flip(); });
}

void TfrmImgRen::RefreshHistory(std::optional<long long> pick)
{
    history_->SetSource(hooks_.history, hooks_.scene, hooks_.message);
    history_->Refresh(pick);
}

void TfrmImgRen::ViewDragged(QPoint from, QPoint to)
{
    if (history_->Comparing() && history_->Mode() == TCompareMode::Split) {
        history_->MoveDivider(to.x());
        return;
    }
    const TPixelRect rect{std::min(from.x(), to.x()), std::min(from.y(), to.y()), std::max(from.x(), to.x()),
                          std::max(from.y(), to.y())};
    imgView->SetSelection(rect);
    btnRenderRegion->setEnabled(!rect.Empty() && !history_->Comparing());
}

void TfrmImgRen::ShowCompared(const QImage& image)
{
    // The compared picture replaces the shown one at the same zoom.
    imgView->SetImage(image);
    imgView->SetSelection({});
    btnRenderRegion->setEnabled(false);
    if (naturalWidth_ != image.width() || naturalHeight_ != image.height()) {
        naturalWidth_ = image.width();
        naturalHeight_ = image.height();
        ApplyZoom();
        FitToWindow();
    }
}

void TfrmImgRen::btnRenderRegionClick()
{
    const TPixelRect rect = imgView->Selection();
    if (rect.Empty() || !hooks_.renderRegion)
        return;
    hooks_.renderRegion(rect);
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
    RefreshHistory();
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
    imgView->SetSelection({});
    btnRenderRegion->setEnabled(false);
    zoom_.Reset();
    naturalWidth_ = image.width();
    naturalHeight_ = image.height();
    ApplyZoom();
}

void TfrmImgRen::ShowRendered(const TPicture& picture)
{
    history_->EndCompare();
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
    history_->EndCompare();
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
    history_->EndCompare();
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
        const TPictureFormat* format = nullptr;
        switch (SaveActionFor(chosen.toStdString(), mode_, &format)) {
        case TSaveAction::Nothing:
            break;
        case TSaveAction::CopyRenderedTarga:
            CopyFileAtomic(hooks_.programFolder / kRenderedImageFile, target);
            break;
        case TSaveAction::Encode:
            format->encode(target, FromQImage(imgView->Image()), hooks_.settings);
            break;
        case TSaveAction::Options: {
            if (!hooks_.settings)
                break;
            const std::unique_ptr<TExportDialog> dialog = MakeExportDialog(
                *format, *hooks_.settings, FromQImage(imgView->Image()), target, hooks_.error, this);
            if (dialog && hooks_.runExport)
                hooks_.runExport(*dialog);
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
