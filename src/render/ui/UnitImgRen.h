#pragma once
// The image window ("ImageWindow"): the last rendered picture or a Targa file opened from disk,
// zoomed in steps or fitted to the window, and saved as Targa, BMP, JPEG or PNG. Created hidden at
// start-up; its placement is kept under "ImgWindow".
#include "render/ImageExport.h"
#include "render/ImageZoom.h"
#include "render/Picture.h"
#include "render/RenderRegion.h"

#include <QImage>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QScrollArea;

namespace kelvane {

class THistoryPanel;
class TIniFileCompo;
class TRenderHistory;
class TPictureDecoders;
class TExportDialog;

// The picture drawn stretched to the widget's own size, with the rectangle picked for a region
// render. A drag with the left button reports its picture pixels as it goes.
class TImageView : public QWidget {
    Q_OBJECT
public:
    explicit TImageView(QWidget* parent = nullptr);
    void SetImage(const QImage& image);
    const QImage& Image() const { return image_; }
    // In picture pixels; an empty rectangle draws nothing.
    void SetSelection(const TPixelRect& rect);
    const TPixelRect& Selection() const { return selection_; }
    // The picture pixel under a point of the widget, within the picture.
    QPoint PixelAt(QPoint at) const;

signals:
    void Dragged(QPoint fromPixel, QPoint toPixel);
    void SpacePressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QImage image_;
    TPixelRect selection_;
    QPoint pressed_;
    bool dragging_ = false;
};

// What the window needs from outside its layer.
struct TImageWindowHooks {
    TIniFileCompo* settings = nullptr;
    const TPictureDecoders* decoders = nullptr;
    std::filesystem::path programFolder;
    // Single file; empty when cancelled. Filters in the "description|patterns|..." form.
    std::function<QString(const QString& title, const QString& filter)> openFile;
    // defaultExtensions: one per filter entry (empty: none), applied when the chosen type
    // changes; asks before overwriting. Empty when cancelled.
    std::function<QString(const QString& title, const QString& filter, const QString& preset,
                          const QStringList& defaultExtensions)>
        saveFile;
    std::function<void(const QString&)> message;
    std::function<void(const QString&)> error;
    // Shows a format's options dialog modally until it closes.
    std::function<void(TExportDialog&)> runExport;
    // The render tab's output name (without extension).
    std::function<QString()> outputName;
    // The render history and the open scene's file (empty when none is open).
    TRenderHistory* history = nullptr;
    std::function<std::filesystem::path()> scene;
    // Renders the rectangle (picture pixels) of the open scene anew.
    std::function<void(const TPixelRect&)> renderRegion;
};

class TfrmImgRen : public QWidget {
    Q_OBJECT
public:
    explicit TfrmImgRen(QWidget* parent = nullptr);
    void SetHooks(TImageWindowHooks hooks) { hooks_ = std::move(hooks); }

    // The render job's hand-off: the picture at zoom 1.0, "Fit to Size" released, mode 2, and the
    // window shown (fitted when it was hidden).
    void ShowRendered(const TPicture& picture);
    // The history strip read afresh (after a render, or when another scene opened); the entry
    // with this id is picked.
    void RefreshHistory(std::optional<long long> pick = std::nullopt);

    void btnOpenImgClick();
    void btnShowRenClick();
    void btnSaveImgClick();
    void btnExpandClick();
    void btnReduceClick();
    void btnRegularClick();
    void btnAllViewDown();
    void btnCloseClick();
    void btnRenderRegionClick();

    TImageMode Mode() const { return mode_; }
    double ZoomFactor() const { return zoom_.factor; }

    QLabel* lblTime = nullptr;  // the last render's time, or the opened file
    QPushButton* btnOpenImg = nullptr;
    QPushButton* btnShowRen = nullptr;
    QPushButton* btnSaveImg = nullptr;
    QLabel* lblRate = nullptr;
    QPushButton* btnRegular = nullptr;
    QPushButton* btnExpand = nullptr;
    QPushButton* btnReduce = nullptr;
    QPushButton* btnAllview = nullptr;
    QPushButton* btnClose = nullptr;
    QPushButton* btnRenderRegion = nullptr;
    THistoryPanel* History() const { return history_; }
    QScrollArea* scrImage = nullptr;
    TImageView* imgView = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ApplyZoom();
    void FitToWindow();
    void Show(const QImage& image);
    void SaveAs(const QString& chosen);
    void ViewDragged(QPoint from, QPoint to);
    void ShowCompared(const QImage& image);

    TImageWindowHooks hooks_;
    TImageZoom zoom_;
    int naturalWidth_ = 0;
    int naturalHeight_ = 0;
    TImageMode mode_ = TImageMode::None;
    std::filesystem::path lastOpened_;
    QImage imageStream_;  // the last rendered picture; null before the first
    bool placed_ = false;
    THistoryPanel* history_ = nullptr;
};

} // namespace kelvane
