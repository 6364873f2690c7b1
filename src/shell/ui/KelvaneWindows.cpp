// Start-up and shut-down order of the editor's top-level windows.
#include "controls/ui/WidgetPlacement.h"
#include "render/ui/UnitDos.h"
#include "render/ui/UnitImgRen.h"
#include "shell/ui/UnitColor.h"
#include "shell/ui/UnitMain.h"

#include <QApplication>

namespace kelvane {

TKelvaneWindows::~TKelvaneWindows()
{
    // The close handler stores the colour picker's placement, so it runs while that exists.
    if (main)
        main->Shutdown();
    colour.reset();
    output.reset();
    image.reset();
    main.reset();
}

std::unique_ptr<TKelvaneWindows> StartKelvane(const fs::path& programFolder)
{
    QApplication::setApplicationName(QStringLiteral("Kelvane"));
    FitWindowsOnScreen();
    auto windows = std::make_unique<TKelvaneWindows>();
    windows->main = std::make_unique<TfrmMain>(programFolder);
    windows->image = std::make_unique<TfrmImgRen>();
    windows->output = std::make_unique<TfrmDos>();
    windows->colour = std::make_unique<TfrmColor>(windows->main->IniFileCom());
    windows->main->AttachWindows(windows->image.get(), windows->output.get(), windows->colour.get());
    windows->main->show();
    return windows;
}

} // namespace kelvane
