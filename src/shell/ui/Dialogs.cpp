#include "shell/ui/Dialogs.h"

#include "shell/ui/UnitConfiguration.h"
#include "shell/ui/UnitAboutBox.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace kelvane {

namespace {
TQtDialogs qtDialogs;
IDialogs* current = &qtDialogs;
}

QString QtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString t = p.trimmed();
            patterns << (t == QLatin1String("*.*") ? QStringLiteral("*") : t);
        }
        out << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

QStringList TQtDialogs::GetOpenFileNames(QWidget* parent, const QString& title, const QString& filter,
                                         bool multi)
{
    if (multi)
        return QFileDialog::getOpenFileNames(parent, title, QString(), QtFilter(filter));
    const QString one = QFileDialog::getOpenFileName(parent, title, QString(), QtFilter(filter));
    return one.isEmpty() ? QStringList() : QStringList{one};
}

QString TQtDialogs::GetSaveFileName(QWidget* parent, const QString& title, const QString& filter,
                                    const QString& preset)
{
    // QFileDialog asks before overwriting an existing file.
    return QFileDialog::getSaveFileName(parent, title, preset, QtFilter(filter));
}

void TQtDialogs::Message(QWidget* parent, const QString& text)
{
    QMessageBox::information(parent, QStringLiteral("Kelvane"), text);
}

void TQtDialogs::Error(QWidget* parent, const QString& text)
{
    QMessageBox::critical(parent, QStringLiteral("Kelvane"), text);
}

void TQtDialogs::RunConfiguration(TfrmConfigu& dialog)
{
    dialog.exec();
}

void TQtDialogs::ShowInformation(QWidget* parent)
{
    TfrmAboutBox box(parent);
    box.exec();
}

bool TQtDialogs::OpenDocument(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

IDialogs& Dialogs()
{
    return *current;
}

TDialogsScope::TDialogsScope(IDialogs& dialogs) : previous_(current)
{
    current = &dialogs;
}

TDialogsScope::~TDialogsScope()
{
    current = previous_;
}

void ShowFailure(QWidget* parent, const char* what)
{
    Dialogs().Error(parent, QString::fromUtf8(what));
}

} // namespace kelvane
