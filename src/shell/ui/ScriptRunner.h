#pragma once
// Scripted editor sessions: the lines of a script run one by one from the event loop through
// the real widgets and their handlers. Each line is a queued step, so a line that opens a modal
// dialog (exec) lets the following lines run inside the dialog's own loop and address its
// controls. Controls are found by objectName: in the active modal dialog first, then the main
// window, then the other top-level windows.
#include "shell/ScriptLine.h"
#include "shell/ui/ScriptDialogs.h"

#include <QObject>
#include <QPointer>

#include <string>
#include <vector>

class QAction;
class QWidget;

namespace kelvane {

class TScriptRunner : public QObject {
public:
    // name is the script as named on the command line (it starts failure reports).
    TScriptRunner(std::string name, std::vector<TScriptLine> lines);

    // The dialogs to install for the session.
    IDialogs& Dialogs() { return dialogs_; }
    // Queues the first line; it runs once Release() is called, or earlier inside a modal
    // dialog that start-up opens.
    void Start();
    // The editor is up (scenes opened): the lines run from the event loop.
    void Release();
    bool Finished() const { return finished_; }
    // 0 when every line ran, 1 after a failure.
    int ExitCode() const { return failure_.empty() ? 0 : 1; }
    // Closes the open modal dialogs, then the main window as File > Exit does.
    static void CloseWindows();

private:
    void Post();
    void Step(int generation);
    void RunLine(const TScriptLine& line);
    void Fail(const std::string& reason);
    // The innermost running line made the program busy (it started a render): the following
    // lines run while that work goes on.
    bool StartedWork() const;
    void Finish();
    void Print(const std::string& text);

    QObject* Find(const std::string& name) const;
    QWidget* Widget(const std::string& name) const;
    void RequireUsable(QObject* control, const std::string& name) const;

    void Select(const std::string& row);
    void CheckRow(const std::string& list, const std::string& row, int on, bool selectFirst);
    void Type(const std::string& name, const std::string& text, bool stay);
    void Tick(const std::string& name, int on);
    void Choose(const std::string& name, const std::string& item, bool stay, bool add = false);
    void Slide(const std::string& name, const std::string& position);
    void Click(const std::string& name);
    void DropColour(const std::string& name, const std::vector<std::string>& components);
    void Drag(const std::string& name, const std::vector<std::string>& corners);
    // The keys of the sequence pressed on control (it takes the focus first), or without one
    // on the focused widget of the active window.
    void Key(QWidget* control, const std::string& keys, const std::string& name = {});
    QWidget* KeyTarget() const;
    // A window's title as the window manager shows it, the modified marker resolved.
    std::string Caption(const std::string& name) const;
    std::string Show(const std::string& name) const;
    void Rows();

    std::string name_;
    std::vector<TScriptLine> lines_;
    TScriptDialogs dialogs_;
    size_t next_ = 0;
    int generation_ = 0;
    bool released_ = false;
    bool finished_ = false;
    bool waiting_ = false;   // a wait line holds the next step until the program is idle
    int idleRounds_ = 0;
    std::vector<int> running_;                  // line numbers of the lines being run, innermost last
    std::vector<QPointer<QWidget>> modalAtStart_;  // the modal dialog each of those started under
    std::vector<bool> busyAtStart_;                // whether the program was busy when each started
    std::string failure_;
    int failureLine_ = 0;
};

} // namespace kelvane
