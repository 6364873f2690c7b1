#include "shell/ui/UnitColor.h"

#include "controls/IniFileCompo.h"
#include "controls/ui/ColorPanel.h"
#include "controls/ui/LinkedTrackBar.h"
#include "controls/ui/NumberEdit.h"
#include "controls/ui/WidgetPlacement.h"

#include <QCursor>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace kelvane {

namespace {

// A marker outline the mouse passes through.
class TMarker : public QWidget {
public:
    TMarker(QWidget* parent, int width, int height, QColor colour) : QWidget(parent), colour_(colour)
    {
        resize(width, height);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setEnabled(false);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        if (height() == 1) {
            painter.fillRect(rect(), colour_);
            return;
        }
        painter.setPen(colour_);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }

private:
    QColor colour_;
};

int RoundEven(double value)
{
    return int(std::nearbyint(value));
}

struct TSyncScope {
    explicit TSyncScope(int& depth) : depth_(depth) { ++depth_; }
    ~TSyncScope() { --depth_; }
    int& depth_;
};

} // namespace

TPixelRowsImage::TPixelRowsImage(int width, int height, QWidget* parent)
    : QWidget(parent), image_(width, height, QImage::Format_BGR888)
{
    resize(width, height);
    setCursor(Qt::ForbiddenCursor);
    for (int y = 0; y < height && y < PaletteSize; ++y)
        rows_[size_t(y)] = image_.scanLine(y);
}

TBgr TPixelRowsImage::Pixel(int x, int y) const
{
    x = std::clamp(x, 0, image_.width() - 1);
    y = std::clamp(y, 0, image_.height() - 1);
    const std::uint8_t* p = rows_[size_t(y)] + x * 3;
    return TBgr{p[0], p[1], p[2]};
}

void TPixelRowsImage::paintEvent(QPaintEvent*)
{
    QPainter(this).drawImage(0, 0, image_);
}

void TPixelRowsImage::Report(const QPoint& at)
{
    const QPoint inside(std::clamp(at.x(), 0, width() - 1), std::clamp(at.y(), 0, height() - 1));
    // The pointer stays on the picture while it drags: one that left it is brought back to the
    // edge, where the marker stands.
    if (inside != at)
        QCursor::setPos(mapToGlobal(inside));
    emit dragMoved(inside.x(), inside.y());
}

void TPixelRowsImage::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    dragging_ = true;
    setCursor(Qt::BlankCursor);
    Report(event->position().toPoint());
}

void TPixelRowsImage::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_)
        Report(event->position().toPoint());
}

void TPixelRowsImage::mouseReleaseEvent(QMouseEvent* event)
{
    if (!dragging_ || event->button() != Qt::LeftButton)
        return;
    dragging_ = false;
    setCursor(Qt::ForbiddenCursor);
    emit dragEnded();
}

TfrmColor::TfrmColor(TIniFileCompo& settings, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), settings_(settings)
{
    setObjectName(QStringLiteral("frmColor"));
    setWindowTitle(QStringLiteral("Color"));
    setFixedSize(286, 341);
    auto* panel = new QWidget(this);
    panel->setGeometry(0, 0, 286, 341);

    ColorPallet = new TPixelRowsImage(PaletteSize, PaletteSize, panel);
    ColorPallet->setObjectName(QStringLiteral("ColorPallet"));
    ColorPallet->move(5, 5);
    HueBar = new TPixelRowsImage(HueBarWidth, PaletteSize, panel);
    HueBar->setObjectName(QStringLiteral("HueBar"));
    HueBar->move(265, 5);
    shpColorPoint = new TMarker(panel, 5, 5, Qt::white);
    shpColorPoint->setObjectName(QStringLiteral("shpColorPoint"));
    shpColorPoint->move(3, 3);
    shpHuePoint = new TMarker(panel, HueBarWidth, 1, Qt::black);
    shpHuePoint->setObjectName(QStringLiteral("shpHuePoint"));
    shpHuePoint->move(265, 5);

    auto field = [panel](const char* name, int min, int max, int y) {
        auto* edit = new TNumberEdit(panel);
        edit->setObjectName(QString::fromLatin1(name));
        edit->SetFigure(0);
        edit->SetFixed(true);
        edit->SetMin(min);
        edit->SetMax(max);
        edit->SetLimit(true);
        edit->setGeometry(165, y, 30, 21);
        return edit;
    };
    edtHeu = field("edtHeu", 1, 360, 267);
    edtSaturation = field("edtSaturation", 0, 255, 292);
    edtBrightness = field("edtBrightness", 0, 255, 317);
    auto slider = [panel](const char* name, const char* label, int min, int max, int ticks, QWidget* edit, int y) {
        auto* caption = new QLabel(QString::fromLatin1(label), panel);
        caption->move(5, y + 3);
        auto* bar = new TLinkedTrackBar(panel);
        bar->setObjectName(QString::fromLatin1(name));
        bar->setRange(min, max);
        bar->SetFrequency(ticks);
        bar->SetTarget(edit);
        bar->setGeometry(18, y, 145, 24);
        static_cast<TNumberEdit*>(edit)->SetTarget(bar);
        return bar;
    };
    tbHeu = slider("tbHeu", "H", 1, 360, 36, edtHeu, 265);
    tbSturation = slider("tbSturation", "S", 0, 255, 32, edtSaturation, 290);
    tbBrightness = slider("tbBrightness", "V", 0, 255, 32, edtBrightness, 315);

    pnlColor = new TColorPanel(panel);
    pnlColor->setObjectName(QStringLiteral("pnlColor"));
    pnlColor->setGeometry(200, 265, 81, 71);
    pnlColor->SetDragPreview(true);
    pnlColor->SetTargetR(edtHeu);
    pnlColor->SetTargetG(edtSaturation);
    pnlColor->SetTargetB(edtBrightness);
    pnlColor->SetColor(MakeColor(255, 0, 0));

    // FormCreate: the red palette, the fields, the hue bar.
    FillPalette(ColorPallet->Rows(), 0);
    {
        TSyncScope quiet(syncing_);
        edtHeu->SetValue(0);
        tbHeu->SetPosition(1);
        edtSaturation->SetValue(255);
        tbSturation->SetPosition(255);
        edtBrightness->SetValue(255);
        tbBrightness->SetPosition(255);
    }
    FillHueBar(HueBar->Rows(), HueBarWidth);

    connect(edtHeu, &TNumberEdit::changed, this, [this] { edtHeuChange(true); });
    connect(tbHeu, &TLinkedTrackBar::changed, this, [this] { edtHeuChange(false); });
    for (TNumberEdit* edit : {edtSaturation, edtBrightness})
        connect(edit, &TNumberEdit::changed, this, [this, edit] { edtSaturationChange(edit); });
    for (TLinkedTrackBar* bar : {tbSturation, tbBrightness})
        connect(bar, &TLinkedTrackBar::changed, this, [this, bar] { edtSaturationChange(bar); });
    connect(edtHeu, &TNumberEdit::exited, this, [this] { RegeneratePalette(); });
    connect(tbHeu, &TLinkedTrackBar::mouseUp, this, [this] { RegeneratePalette(); });
    connect(tbHeu, &TLinkedTrackBar::sliderReleased, this, [this] { RegeneratePalette(); });
    connect(HueBar, &TPixelRowsImage::dragMoved, this, [this](int, int y) { HueBarDragOver(y); });
    connect(HueBar, &TPixelRowsImage::dragEnded, this, [this] { RegeneratePalette(); });
    connect(ColorPallet, &TPixelRowsImage::dragMoved, this, [this](int x, int y) { ColorPalletDragOver(x, y); });

    ReadForm(settings_, "Interface", "Color", *this);
    TColorPanel::DropHandler() = [](TColorPanel& target, TColor colour) { DropColour(target, colour); };
    show();
}

TfrmColor::~TfrmColor()
{
    TColorPanel::DropHandler() = nullptr;
}

int TfrmColor::HueRow() const
{
    return shpHuePoint->y() - 5;
}

void TfrmColor::PlaceColorPoint(int x, int y)
{
    shpColorPoint->move(x + 3, y + 3);
}

void TfrmColor::RegeneratePalette()
{
    FillPalette(ColorPallet->Rows(), HueOfRow(HueRow()));
    ColorPallet->update();
}

void TfrmColor::edtHeuChange(bool fromField)
{
    if (syncing_)
        return;
    TSyncScope quiet(syncing_);
    const double hue = fromField ? edtHeu->Value() : tbHeu->Position();
    shpHuePoint->move(shpHuePoint->x(), int(hue / 360.0 * 256.0 - 1.0) + 5);
    const TBgr marked = ColorPallet->Pixel(shpColorPoint->x() - 3, shpColorPoint->y() - 3);
    const THsv hsv = RgbToHsv(marked.red, marked.green, marked.blue);
    pnlColor->SetColor(MakeColor(HsvToRgb(hsv.v, hsv.s, HueOfRow(HueRow()))));
    if (fromField)
        tbHeu->SetPosition(int(edtHeu->Value()));
    else
        edtHeu->SetValue(tbHeu->Position());
}

void TfrmColor::edtSaturationChange(QObject* sender)
{
    if (syncing_)
        return;
    TSyncScope quiet(syncing_);
    if (sender == tbSturation)
        edtSaturation->SetValue(tbSturation->Position());
    else if (sender == tbBrightness)
        edtBrightness->SetValue(tbBrightness->Position());
    else if (sender == edtSaturation)
        tbSturation->SetPosition(int(edtSaturation->Value()));
    else if (sender == edtBrightness)
        tbBrightness->SetPosition(int(edtBrightness->Value()));
    PlaceColorPoint(255 - int(edtSaturation->Value()), 255 - int(edtBrightness->Value()));
    pnlColor->SetColor(MakeColor(ColorPallet->Pixel(shpColorPoint->x() - 3, shpColorPoint->y() - 3)));
}

void TfrmColor::HueBarDragOver(int y)
{
    edtHeu->SetValue(RoundEven((y + 1) / 256.0 * 360.0));
    edtHeuChange(true);
    shpHuePoint->move(shpHuePoint->x(), y + 5);
}

void TfrmColor::ColorPalletDragOver(int x, int y)
{
    const TBgr c = ColorPallet->Pixel(x, y);
    const THsv hsv = RgbToHsv(c.red, c.green, c.blue);
    edtSaturation->SetValue(hsv.s);
    edtSaturationChange(edtSaturation);
    edtBrightness->SetValue(hsv.v);
    edtSaturationChange(edtBrightness);
    PlaceColorPoint(x, y);
}

void TfrmColor::LoadColour(TColor colour)
{
    const TBgr c = SplitColor(colour);
    const THsv hsv = RgbToHsv(c.red, c.green, c.blue);
    FillPalette(ColorPallet->Rows(), float(hsv.h));
    ColorPallet->update();
    edtHeu->SetValue(hsv.h + 1);
    edtHeuChange(true);
    edtSaturation->SetValue(hsv.s);
    edtSaturationChange(edtSaturation);
    edtBrightness->SetValue(hsv.v);
    edtSaturationChange(edtBrightness);
}

void TfrmColor::DropColour(TColorPanel& target, TColor colour)
{
    if (auto* picker = qobject_cast<TfrmColor*>(target.window()); picker && &target == picker->pnlColor) {
        picker->LoadColour(colour);
        target.SetColor(colour);
        return;
    }
    const TBgr c = SplitColor(colour);
    TNumberEdit* const edits[3] = {target.TargetR(), target.TargetG(), target.TargetB()};
    const int values[3] = {c.red, c.green, c.blue};
    for (int i = 0; i < 3; ++i)
        if (edits[i])
            edits[i]->SetTextUtf8(std::to_string(values[i]));
    // The exit handlers write the components through the editors.
    for (TNumberEdit* edit : edits)
        if (edit)
            emit edit->exited();
    target.SetColor(colour);
}

void TfrmColor::SavePlacement()
{
    WriteForm(settings_, "Interface", "Color", *this);
}

} // namespace kelvane
