#include "render/ui/UnitDos.h"

namespace kelvane {

TfrmDos::TfrmDos(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmDos"));
    setWindowTitle(QStringLiteral("Output"));
    resize(500, 300);
}

} // namespace kelvane
