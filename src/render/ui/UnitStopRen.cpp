#include "render/ui/UnitStopRen.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelvane {

TfrmStopRen::TfrmStopRen(std::function<void()> stop, std::function<void()> neverShow, QWidget* parent)
    : QDialog(parent), stop_(std::move(stop)), neverShow_(std::move(neverShow))
{
    setObjectName(QStringLiteral("frmStopRen"));
    setWindowTitle(QStringLiteral("Warning"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    layout->addWidget(Label1);
    CheckBox1 = new QCheckBox(QStringLiteral("Never show this window."), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    layout->addWidget(CheckBox1);
    auto* buttons = new QHBoxLayout;
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
}

void TfrmStopRen::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TfrmStopRen::FormShow()
{
    Label1->setText(QStringLiteral("\n\rWarning!!\n\rTo stop rendering has a possibility\n\rto have a bad influence on your "
                                   "computer.\n\r\n\rContinue?"));
}

void TfrmStopRen::OKBtnClick()
{
    if (stop_)
        stop_();
    if (CheckBox1->isChecked() && neverShow_)
        neverShow_();
    accept();
}

void TfrmStopRen::CancelBtnClick()
{
    reject();
}

} // namespace kelvane
