// The editor: start-up in order (main window with its settings, image and output windows,
// colour picker), then the message loop. An optional argument names a scene to open.
//
//   kelvane [SCENE]
//   kelvane --script SCRIPT [SCENE ...]   runs SCRIPT's lines through the windows, then exits
#include "shell/ScriptLine.h"
#include "shell/ui/ScriptRunner.h"
#include "shell/ui/UnitMain.h"

#include <QApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

int RunScripted(const std::string& script, const std::vector<kelvane::fs::path>& scenes)
{
    std::ifstream in(script, std::ios::binary);
    if (!in) {
        const std::string text = "kelvane: cannot read the script " + script + ": " + std::strerror(errno) + "\n";
        std::fwrite(text.data(), 1, text.size(), stderr);
        return 1;
    }
    kelvane::TScriptRunner runner(script, kelvane::ReadScriptLines(in));
    // The runner ends the session, also after a line closed the main window.
    QApplication::setQuitOnLastWindowClosed(false);
    kelvane::TDialogsScope dialogs(runner.Dialogs());
    runner.Start();
    auto windows = kelvane::StartKelvane(kelvane::ExecutableFolder());
    if (!runner.Finished()) {
        if (!scenes.empty())
            windows->main->OpenScenes(scenes);
        runner.Release();
        QApplication::exec();
    }
    kelvane::TScriptRunner::CloseWindows();
    windows.reset();
    return runner.ExitCode();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvane"));
    const QStringList args = QApplication::arguments();
    if (args.size() > 1 && args[1] == QLatin1String("--script")) {
        if (args.size() < 3) {
            std::fputs("usage: kelvane --script SCRIPT [SCENE ...]\n", stderr);
            return 2;
        }
        std::vector<kelvane::fs::path> scenes;
        for (qsizetype i = 3; i < args.size(); ++i)
            scenes.push_back(kelvane::fs::absolute(kelvane::fs::path(args[i].toStdString())));  // as a file dialog returns them
        return RunScripted(args[2].toStdString(), scenes);
    }
    auto windows = kelvane::StartKelvane(kelvane::ExecutableFolder());
    if (args.size() > 1)
        windows->main->OpenScenes({kelvane::fs::path(args[1].toStdString())});
    const int result = QApplication::exec();
    windows.reset();
    return result;
}
