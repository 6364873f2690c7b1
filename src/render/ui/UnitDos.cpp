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

// Laying out a line costs tens of bytes per character: a line of megabytes (a renderer that
// prints '#' without end) is shown as its start and its end.
constexpr qsizetype kLongLine = 16384;

QString ShortLines(const QString& text)
{
    QString shown;
    bool cut = false;
    for (qsizetype from = 0; from <= text.size();) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), from);
        if (end < 0)
            end = text.size();
        const qsizetype length = end - from;
        if (length > kLongLine) {
            if (!cut)
                shown = text.left(from);
            cut = true;
            shown += QStringView(text).mid(from, kLongLine / 2);
            shown += QStringLiteral(" [... %1 characters left out ...] ").arg(length - kLongLine);
            shown += QStringView(text).mid(end - kLongLine / 2, kLongLine / 2);
        } else if (cut) {
            shown += QStringView(text).mid(from, length);
        }
        if (cut && end < text.size())
            shown += QLatin1Char('\n');
        from = end + 1;
    }
    return cut ? shown : text;
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
    reDos->setPlainText(ShortLines(dos));
    reDosErr->setPlainText(ShortLines(dosErr));
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
