// The editor: start-up in order (main window with its settings, image and output windows,
// colour picker), then the message loop. Scenes named on the command line open together, as
// one batch, as File > Open does with several files.
//
//   kelvane [SCENE ...]
//   kelvane --help | --version
//   kelvane --script SCRIPT [SCENE ...]   runs SCRIPT's lines through the windows, then exits
#include "scene/MeshStash.h"
#include "scene/TempFiles.h"
#include "shell/ProgramFolder.h"
#include "shell/ScriptLine.h"
#include "shell/Version.h"
#include "shell/ui/ScriptRunner.h"
#include "shell/ui/UnitMain.h"

#include <QApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>

namespace {

const char* const helpText =
    "Usage: kelvane [SCENE ...]\n"
    "       kelvane --script SCRIPT [SCENE ...]\n"
    "\n"
    "Kelvane edits YafRay scene files and starts the renderer on them. The scenes given open\n"
    "together as one batch, as File > Open does with several files.\n"
    "\n"
    "Options:\n"
    "  -h, --help        show this text\n"
    "  --version         show the version\n"
    "  --script SCRIPT   run the lines of SCRIPT through the windows, then exit; the exit\n"
    "                    status is 0 when every line did what it says, else 1\n"
    "\n"
    "Files: the settings file Pellith.ini, the temporary files and readme.txt live in the\n"
    "program folder: the executable's folder when it holds them and can be written, else\n"
    "$XDG_DATA_HOME/kelvane (~/.local/share/kelvane), filled from the installed data on the\n"
    "first start. The renderer is chosen in File > Configurtion; the one shipped with the\n"
    "editor is proposed on the first start.\n";

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
    auto windows = kelvane::StartKelvane(kelvane::ProgramFolder());
    if (!runner.Finished()) {
        windows->main->OpenStartScenes(scenes);
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
    for (int i = 1; i < argc && std::strcmp(argv[i], "--script") != 0; ++i)
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::fputs(helpText, stdout);
            return 0;
        } else if (std::strcmp(argv[i], "--version") == 0) {
            std::puts(kelvane::VersionLine().c_str());
            return 0;
        }
    kelvane::RemoveTempFilesOnSignals();
    // The first scene named is read while the application and its windows start.
    const int firstScene = argc > 1 && std::strcmp(argv[1], "--script") == 0 ? 3 : 1;
    std::optional<kelvane::TStashReadAhead> readAhead;
    if (firstScene < argc && argv[firstScene][0] != '-')
        readAhead.emplace(kelvane::fs::path(argv[firstScene]));
    // The application takes out the options meant for the platform.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvane"));
    // The desktop entry the windows belong to (their icon and name in the task bar).
    QApplication::setDesktopFileName(QStringLiteral("kelvane"));
    const bool scripted = argc > 1 && std::strcmp(argv[1], "--script") == 0;
    if (scripted && argc < 3) {
        std::fputs("usage: kelvane --script SCRIPT [SCENE ...]\n", stderr);
        return 2;
    }
    // File names are bytes: taken as given, whatever their encoding.
    std::vector<kelvane::fs::path> scenes;
    for (int i = scripted ? 3 : 1; i < argc; ++i) {
        std::error_code ec;
        const kelvane::fs::path scene = kelvane::fs::absolute(argv[i], ec);  // as a file dialog returns them
        scenes.push_back(ec ? kelvane::fs::path(argv[i]) : scene);
    }
    if (scripted)
        return RunScripted(argv[2], scenes);
    auto windows = kelvane::StartKelvane(kelvane::ProgramFolder());
    windows->main->OpenStartScenes(scenes);
    const int result = QApplication::exec();
    windows.reset();
    return result;
}
