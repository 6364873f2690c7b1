#include "shell/ui/ScriptDialogs.h"

#include "shell/ScriptLine.h"
#include "shell/ui/UnitAboutBox.h"
#include "editing/ui/UnitAddObj.h"
#include "shell/ui/UnitConfiguration.h"

#include <QFileInfo>

namespace kelvane {

namespace {

std::string Quoted(const QString& text)
{
    return "\"" + EscapeBreaks(text.toStdString()) + "\"";
}

} // namespace

TScriptDialogs::TScriptDialogs(std::function<void(const std::string&)> print,
                               std::function<void(const std::string&)> fail)
    : print_(std::move(print)), fail_(std::move(fail))
{
}

void TScriptDialogs::PrepareFiles(const QStringList& paths)
{
    QStringList absolute;
    for (const QString& path : paths)
        absolute << QFileInfo(path).absoluteFilePath();
    files_ = absolute;
}

std::optional<QStringList> TScriptDialogs::TakeFiles(const QString& title)
{
    if (!files_) {
        fail_("the file dialog " + Quoted(title) + " was not prepared by a file line");
        return std::nullopt;
    }
    std::optional<QStringList> files = std::move(files_);
    files_.reset();
    return files;
}

QStringList TScriptDialogs::GetOpenFileNames(QWidget*, const QString& title, const QString&, bool multi)
{
    const std::optional<QStringList> files = TakeFiles(title);
    if (!files)
        return {};
    if (!multi && files->size() > 1) {
        fail_("the file dialog " + Quoted(title) + " takes one file");
        return {};
    }
    return *files;
}

QString TScriptDialogs::GetSaveFileName(QWidget*, const QString& title, const QString&, const QString&)
{
    const std::optional<QStringList> files = TakeFiles(title);
    if (!files || files->isEmpty())
        return {};
    if (files->size() > 1) {
        fail_("the file dialog " + Quoted(title) + " takes one file");
        return {};
    }
    return files->front();
}

void TScriptDialogs::Shown(const QString& text)
{
    print_("message: " + EscapeBreaks(text.toStdString()));
}

void TScriptDialogs::Message(QWidget* parent, const QString& text)
{
    Ask(parent, text, {QStringLiteral("OK")}, 0);
}

void TScriptDialogs::Error(QWidget* parent, const QString& text)
{
    Ask(parent, text, {QStringLiteral("OK")}, 0);
}

int TScriptDialogs::Ask(QWidget*, const QString& text, const QStringList& buttons, int defaultButton)
{
    Shown(text);
    if (stopped_ && buttons.size() > 1)
        return -1;
    if (answer_) {
        const QString caption = *answer_;
        answer_.reset();
        const int index = int(buttons.indexOf(caption));
        if (index < 0)
            fail_("the message box " + Quoted(text) + " has no button " + Quoted(caption));
        return index;
    }
    if (defaultButton < 0 || defaultButton >= buttons.size()) {
        fail_("the message box " + Quoted(text) + " has no default button and no answer line prepared it");
        return -1;
    }
    return defaultButton;
}

void TScriptDialogs::RunConfiguration(TfrmConfigu& dialog)
{
    dialog.exec();
}

void TScriptDialogs::RunAddObj(TfrmAddObj& dialog)
{
    dialog.exec();
}

void TScriptDialogs::ShowInformation(QWidget* parent)
{
    TfrmAboutBox box(parent);
    box.exec();
}

bool TScriptDialogs::OpenDocument(const QString& path)
{
    print_("document: " + EscapeBreaks(path.toStdString()));
    return QFileInfo::exists(path);
}

} // namespace kelvane
