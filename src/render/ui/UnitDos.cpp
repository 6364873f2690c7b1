#include "render/ui/UnitDos.h"

#include "controls/ui/WidgetPlacement.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace kelvane {

namespace {

QPlainTextEdit* TextArea(const char* name, QWidget* parent)
{
    auto* area = new QPlainTextEdit(parent);
    area->setObjectName(QString::fromLatin1(name));
    area->setReadOnly(true);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    area->setLineWrapMode(QPlainTextEdit::NoWrap);
    return area;
}

} // namespace

TfrmDos::TfrmDos(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmDos"));
    setWindowTitle(QStringLiteral("Dos"));
    resize(500, 400);
    auto* layout = new QVBoxLayout(this);
    reDos = TextArea("reDos", this);
    layout->addWidget(reDos, 3);
    reDosErr = TextArea("reDosErr", this);
    layout->addWidget(reDosErr, 1);
    auto* bar = new QHBoxLayout;
    bar->addStretch(1);
    btnCopy = new QPushButton(QStringLiteral("Copy"), this);
    btnCopy->setObjectName(QStringLiteral("btnCopy"));
    btnCloseDos = new QPushButton(QStringLiteral("Close"), this);
    btnCloseDos->setObjectName(QStringLiteral("btnCloseDos"));
    bar->addWidget(btnCopy);
    bar->addWidget(btnCloseDos);
    layout->addLayout(bar);
    connect(btnCopy, &QPushButton::clicked, this, [this] { btnCopyClick(); });
    connect(btnCloseDos, &QPushButton::clicked, this, [this] { btnCloseDosClick(); });
}

void TfrmDos::SetTexts(const QString& dos, const QString& dosErr)
{
    reDos->setPlainText(dos);
    reDosErr->setPlainText(dosErr);
}

void TfrmDos::btnCopyClick()
{
    QApplication::clipboard()->setText(reDos->toPlainText() + reDosErr->toPlainText());
}

void TfrmDos::btnCloseDosClick()
{
    close();
}

void TfrmDos::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (settings_ && !placed_) {
        placed_ = true;
        ReadForm(*settings_, "Interface", "DosWindow", *this);
    }
}

void TfrmDos::closeEvent(QCloseEvent* event)
{
    if (settings_)
        WriteForm(*settings_, "Interface", "DosWindow", *this);
    placed_ = false;
    QWidget::closeEvent(event);
}

} // namespace kelvane
