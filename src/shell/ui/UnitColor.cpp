#include "shell/ui/UnitColor.h"

#include "controls/IniFileCompo.h"
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
    show();
}

void TfrmColor::SavePlacement()
{
    WriteForm(settings_, "Interface", "Color", *this);
}

} // namespace kelvane
