#include "render/ui/UnitImgRen.h"

namespace kelvane {

TfrmImgRen::TfrmImgRen(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmImgRen"));
    setWindowTitle(QStringLiteral("Image"));
    resize(400, 300);
}

} // namespace kelvane
