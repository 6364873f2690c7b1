#pragma once
// The colour picker window: a saturation-brightness palette for the current hue, a hue bar, the
// hue / saturation / brightness fields and sliders and the chosen colour's swatch, which is a
// drag source and drop target for the editor's swatches. It shows itself when created, at the
// placement stored under "Interface"/"Color".
#include "controls/ColorConvert.h"
#include "controls/ColorPalette.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <cstdint>

namespace kelvane {

class TColorPanel;
class TIniFileCompo;
class TLinkedTrackBar;
class TNumberEdit;

// A 24-bit picture (blue, green, red bytes) reached through its row table; a mouse drag inside
// it reports each pixel position and keeps the pointer on the picture.
class TPixelRowsImage : public QWidget {
    Q_OBJECT
public:
    TPixelRowsImage(int width, int height, QWidget* parent = nullptr);
    std::uint8_t* const* Rows() const { return rows_.data(); }
    TBgr Pixel(int x, int y) const;
    bool Dragging() const { return dragging_; }

signals:
    void dragMoved(int x, int y);
    void dragEnded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Report(const QPoint& at);

    QImage image_;
    std::array<std::uint8_t*, PaletteSize> rows_{};
    bool dragging_ = false;
};

class TfrmColor : public QWidget {
    Q_OBJECT
public:
    TfrmColor(TIniFileCompo& settings, QWidget* parent = nullptr);
    ~TfrmColor() override;
    // Stores the placement under "Interface"/"Color".
    void SavePlacement();

    TPixelRowsImage* ColorPallet = nullptr;
    TPixelRowsImage* HueBar = nullptr;
    QWidget* shpColorPoint = nullptr;
    QWidget* shpHuePoint = nullptr;
    TColorPanel* pnlColor = nullptr;
    TNumberEdit* edtHeu = nullptr;
    TNumberEdit* edtSaturation = nullptr;
    TNumberEdit* edtBrightness = nullptr;
    TLinkedTrackBar* tbHeu = nullptr;
    TLinkedTrackBar* tbSturation = nullptr;
    TLinkedTrackBar* tbBrightness = nullptr;

    // A colour dropped on a swatch. On the picker's swatch it becomes the picker's hue,
    // saturation and brightness; on an editor swatch its component fields take the colour and
    // their exit handlers run. The swatch shows the colour exactly.
    static void DropColour(TColorPanel& target, TColor colour);

    // The hue change from the field (fromField) or the slider: marker, swatch, partner control.
    void edtHeuChange(bool fromField);
    // A saturation or brightness change: marker, swatch, partner control.
    void edtSaturationChange(QObject* sender);
    // The palette drawn again for the hue the marker stands at.
    void RegeneratePalette();

private:
    void HueBarDragOver(int y);
    void ColorPalletDragOver(int x, int y);
    void LoadColour(TColor colour);
    void PlaceColorPoint(int x, int y);
    int HueRow() const;

    TIniFileCompo& settings_;
    int syncing_ = 0;
};

} // namespace kelvane
