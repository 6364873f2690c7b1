#pragma once
// The dialogs of a scripted session: message boxes and confirmations are printed and answered
// with the answer the script prepared (else their default button), file dialogs return the
// paths the script prepared; dialogs that are windows of their own run for real, so the script
// addresses their controls.
#include "shell/ui/Dialogs.h"

#include <functional>
#include <optional>
#include <string>

namespace kelvane {

class TScriptDialogs : public IDialogs {
public:
    // print writes one line of standard output; fail reports that the running line cannot be
    // carried out.
    TScriptDialogs(std::function<void(const std::string&)> print, std::function<void(const std::string&)> fail);

    // The next message box or confirmation is answered with the button of this caption.
    void PrepareAnswer(const QString& caption) { answer_ = caption; }
    // After a failed line: boxes with a choice are closed without one (a question about unsaved
    // changes keeps them; the journal holds them for the next start).
    void StopAnswering() { stopped_ = true; }
    // The next file dialog returns these paths (made absolute, as a file dialog returns them);
    // an empty list cancels it.
    void PrepareFiles(const QStringList& paths);

    QStringList GetOpenFileNames(QWidget* parent, const QString& title, const QString& filter, bool multi) override;
    QString GetSaveFileName(QWidget* parent, const QString& title, const QString& filter,
                            const QString& preset) override;
    void Message(QWidget* parent, const QString& text) override;
    void Error(QWidget* parent, const QString& text) override;
    int Ask(QWidget* parent, const QString& text, const QStringList& buttons, int defaultButton) override;
    void RunConfiguration(TfrmConfigu& dialog) override;
    void RunAddObj(TfrmAddObj& dialog) override;
    void ShowInformation(QWidget* parent) override;
    // Prints "document: PATH"; true when the file exists.
    bool OpenDocument(const QString& path) override;

private:
    void Shown(const QString& text);
    std::optional<QStringList> TakeFiles(const QString& title);

    std::function<void(const std::string&)> print_;
    std::function<void(const std::string&)> fail_;
    std::optional<QString> answer_;
    std::optional<QStringList> files_;
    bool stopped_ = false;
};

} // namespace kelvane
