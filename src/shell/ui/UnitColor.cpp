#include "shell/ui/UnitColor.h"

#include "controls/IniFileCompo.h"
#include "controls/ui/ColorPanel.h"
#include "controls/ui/NumberEdit.h"
#include "controls/ui/WidgetPlacement.h"

#include <QFrame>
#include <QVBoxLayout>

namespace kelvane {

TfrmColor::TfrmColor(TIniFileCompo& settings, QWidget* parent)
    : QWidget(parent, Qt::Tool), settings_(settings)
{
    setObjectName(QStringLiteral("frmColor"));
    setWindowTitle(QStringLiteral("Color"));
    resize(220, 160);
    auto* layout = new QVBoxLayout(this);
    auto* swatch = new QFrame(this);
    swatch->setObjectName(QStringLiteral("pnlColor"));
    swatch->setFrameShape(QFrame::Box);
    swatch->setAutoFillBackground(true);
    QPalette pal = swatch->palette();
    pal.setColor(QPalette::Window, Qt::white);
    swatch->setPalette(pal);
    layout->addWidget(swatch);
    pnlColor = swatch;
    ReadForm(settings_, "Interface", "Color", *this);
    TColorPanel::DropHandler() = [](TColorPanel& target, TColor colour) { DropColour(target, colour); };
    show();
}

TfrmColor::~TfrmColor()
{
    TColorPanel::DropHandler() = nullptr;
}

void TfrmColor::DropColour(TColorPanel& target, TColor colour)
{
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
}

void TfrmColor::SavePlacement()
{
    WriteForm(settings_, "Interface", "Color", *this);
}

} // namespace kelvane
