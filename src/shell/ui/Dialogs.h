#pragma once
// Every modal interaction of the editor goes through IDialogs, so that tests can answer them.
#include <QString>
#include <QStringList>

#include <exception>

class QWidget;

namespace kelvane {

class TfrmAddObj;
class TfrmConfigu;
class TExportDialog;
class TfrmFarmSubmit;

class IDialogs {
public:
    virtual ~IDialogs() = default;
    // filter is given in the "description|patterns|description|patterns" form.
    // An empty list means the user cancelled.
    virtual QStringList GetOpenFileNames(QWidget* parent, const QString& title, const QString& filter,
                                         bool multi) = 0;
    // Empty when cancelled; preset is the file shown when the dialog opens.
    virtual QString GetSaveFileName(QWidget* parent, const QString& title, const QString& filter,
                                    const QString& preset) = 0;
    // As GetSaveFileName; defaultExtensions holds one extension per filter entry (empty for
    // none), added to a name typed without one, following the type chosen in the dialog.
    virtual QString GetSaveFileNameTyped(QWidget* parent, const QString& title, const QString& filter,
                                         const QString& preset, const QStringList& defaultExtensions);
    virtual void Message(QWidget* parent, const QString& text) = 0;
    virtual void Error(QWidget* parent, const QString& text) = 0;
    // A confirmation: text with buttons of these captions; returns the index of the button
    // chosen, or -1 when the box was closed without one. defaultButton is the index Enter
    // chooses (-1: none). This fallback answers with the default.
    virtual int Ask(QWidget* parent, const QString& text, const QStringList& buttons, int defaultButton)
    {
        (void)parent, (void)text, (void)buttons;
        return defaultButton;
    }
    // Shows the configuration dialog modally until it closes itself.
    virtual void RunConfiguration(TfrmConfigu& dialog) = 0;
    // Shows the add element dialog modally until it closes.
    virtual void RunAddObj(TfrmAddObj& dialog) = 0;
    // Show the image export dialogs modally until they close.
    virtual void RunExport(TExportDialog& dialog);
    // Shows the farm submit dialog modally until it closes.
    virtual void RunFarmSubmit(TfrmFarmSubmit& dialog);
    virtual void ShowInformation(QWidget* parent) = 0;
    // Opens a document with the desktop's handler; false when that fails.
    virtual bool OpenDocument(const QString& path) = 0;
};

// The Qt implementation: file dialogs, message boxes, exec().
class TQtDialogs : public IDialogs {
public:
    QStringList GetOpenFileNames(QWidget* parent, const QString& title, const QString& filter,
                                 bool multi) override;
    QString GetSaveFileName(QWidget* parent, const QString& title, const QString& filter,
                            const QString& preset) override;
    QString GetSaveFileNameTyped(QWidget* parent, const QString& title, const QString& filter, const QString& preset,
                                 const QStringList& defaultExtensions) override;
    void Message(QWidget* parent, const QString& text) override;
    void Error(QWidget* parent, const QString& text) override;
    int Ask(QWidget* parent, const QString& text, const QStringList& buttons, int defaultButton) override;
    void RunConfiguration(TfrmConfigu& dialog) override;
    void RunAddObj(TfrmAddObj& dialog) override;
    void ShowInformation(QWidget* parent) override;
    bool OpenDocument(const QString& path) override;
};

// File dialogs start in the open scene's folder (empty: none is open), else in the folder of
// the file a dialog last returned.
void SetDialogSceneFolder(const QString& folder);
// The last folder, kept in the settings between sessions.
QString DialogLastFolder();
void SetDialogLastFolder(const QString& folder);
// Where a file dialog starts: preset (a file name) placed in that folder; an absolute preset as
// it is.
QString DialogStartPath(const QString& preset);

// "YafRay ( *.xml, *.txt )|*.xml; *.txt|All Files ( *.* )|*.*" -> Qt's ";;"-separated form.
QString QtFilter(const QString& filter);

// The dialogs in use; TQtDialogs unless a test installed its own.
IDialogs& Dialogs();

// Installs dialogs for its lifetime and restores the previous ones afterwards.
class TDialogsScope {
public:
    explicit TDialogsScope(IDialogs& dialogs);
    ~TDialogsScope();
    TDialogsScope(const TDialogsScope&) = delete;
    TDialogsScope& operator=(const TDialogsScope&) = delete;

private:
    IDialogs* previous_;
};

// Shows what() of a failure (8-bit text) in the error box.
void ShowFailure(QWidget* parent, const char* what);

// Runs an event handler body; a failure is shown as an error box and the state stays usable.
template <typename F>
void Guarded(QWidget* parent, F&& body)
{
    try {
        body();
    } catch (const std::exception& e) {
        ShowFailure(parent, e.what());
    }
}

} // namespace kelvane
