// The editor: start-up in order (main window with its settings, image and output windows,
// colour picker), then the message loop. An optional argument names a scene to open.
#include "shell/ui/UnitMain.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvane"));
    auto windows = kelvane::StartKelvane(kelvane::ExecutableFolder());
    if (argc > 1)
        windows->main->OpenScenes({kelvane::fs::path(argv[1])});
    const int result = QApplication::exec();
    windows.reset();
    return result;
}
