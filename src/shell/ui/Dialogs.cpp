#include "shell/ui/Dialogs.h"

#include "editing/ui/UnitAddObj.h"
#include "render/ui/UnitJpeg.h"
#include "shell/ui/FarmSubmit.h"
#include "shell/ui/UnitConfiguration.h"
#include "shell/ui/UnitAboutBox.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include <vector>

namespace kelvane {

namespace {
TQtDialogs qtDialogs;
IDialogs* current = &qtDialogs;
QString sceneFolder;
QString lastFolder;

// The folder of a file a dialog returned is where the next one starts without a scene.
void Remember(const QStringList& files)
{
    if (!files.isEmpty() && !files.front().isEmpty())
        lastFolder = QFileInfo(files.front()).absolutePath();
}
} // namespace

void SetDialogSceneFolder(const QString& folder)
{
    sceneFolder = folder;
}

QString DialogLastFolder()
{
    return lastFolder;
}

void SetDialogLastFolder(const QString& folder)
{
    lastFolder = folder;
}

QString DialogStartPath(const QString& preset)
{
    if (!preset.isEmpty() && QFileInfo(preset).isAbsolute())
        return preset;
    const QString folder = !sceneFolder.isEmpty() && QFileInfo(sceneFolder).isDir() ? sceneFolder : lastFolder;
    if (folder.isEmpty())
        return preset;
    return preset.isEmpty() ? folder : QDir(folder).filePath(preset);
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
    const QString start = DialogStartPath(QString());
    QStringList files;
    if (multi) {
        files = QFileDialog::getOpenFileNames(parent, title, start, QtFilter(filter));
    } else {
        const QString one = QFileDialog::getOpenFileName(parent, title, start, QtFilter(filter));
        if (!one.isEmpty())
            files << one;
    }
    Remember(files);
    return files;
}

QString TQtDialogs::GetSaveFileName(QWidget* parent, const QString& title, const QString& filter,
                                    const QString& preset)
{
    // QFileDialog asks before overwriting an existing file.
    const QString file = QFileDialog::getSaveFileName(parent, title, DialogStartPath(preset), QtFilter(filter));
    Remember({file});
    return file;
}

QString IDialogs::GetSaveFileNameTyped(QWidget* parent, const QString& title, const QString& filter,
                                      const QString& preset, const QStringList&)
{
    return GetSaveFileName(parent, title, filter, preset);
}

void IDialogs::RunExport(TExportDialog& dialog)
{
    dialog.exec();
}

void IDialogs::RunFarmSubmit(TfrmFarmSubmit& dialog)
{
    dialog.exec();
}

QString TQtDialogs::GetSaveFileNameTyped(QWidget* parent, const QString& title, const QString& filter,
                                         const QString& preset, const QStringList& defaultExtensions)
{
    const QString start = DialogStartPath(preset);
    QFileDialog dialog(parent, title, start, QtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.selectFile(start);
    const QStringList names = QtFilter(filter).split(QStringLiteral(";;"));
    auto follow = [&](const QString& chosen) {
        const qsizetype at = names.indexOf(chosen);
        dialog.setDefaultSuffix(at >= 0 && at < defaultExtensions.size() ? defaultExtensions[at] : QString());
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, follow);
    follow(dialog.selectedNameFilter());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    Remember(dialog.selectedFiles());
    return dialog.selectedFiles().front();
}

void TQtDialogs::Message(QWidget* parent, const QString& text)
{
    QMessageBox::information(parent, QStringLiteral("Kelvane"), text);
}

void TQtDialogs::Error(QWidget* parent, const QString& text)
{
    QMessageBox::critical(parent, QStringLiteral("Kelvane"), text);
}

int TQtDialogs::Ask(QWidget* parent, const QString& text, const QStringList& buttons, int defaultButton)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Kelvane"), text, QMessageBox::NoButton, parent);
    std::vector<QAbstractButton*> added;
    for (const QString& caption : buttons)
        added.push_back(box.addButton(caption, QMessageBox::AcceptRole));
    if (defaultButton >= 0 && size_t(defaultButton) < added.size())
        box.setDefaultButton(static_cast<QPushButton*>(added[size_t(defaultButton)]));
    box.exec();
    for (size_t i = 0; i < added.size(); ++i)
        if (box.clickedButton() == added[i])
            return int(i);
    return -1;
}

void TQtDialogs::RunConfiguration(TfrmConfigu& dialog)
{
    dialog.exec();
}

void TQtDialogs::RunAddObj(TfrmAddObj& dialog)
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
