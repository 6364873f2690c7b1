#include "render/ui/UnitImgRen.h"

#include <QLabel>
#include <QVBoxLayout>

namespace kelvane {

TfrmImgRen::TfrmImgRen(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmImgRen"));
    setWindowTitle(QStringLiteral("Image"));
    resize(400, 300);
    auto* layout = new QVBoxLayout(this);
    lblTime = new QLabel(this);
    lblTime->setObjectName(QStringLiteral("lblTime"));
    layout->addWidget(lblTime);
    layout->addStretch(1);
}

} // namespace kelvane
