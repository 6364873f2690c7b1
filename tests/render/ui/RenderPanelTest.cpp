#include "render/ui/RenderJobUi.h"
#include "render/ui/UnitDos.h"

#include "controls/IniFileCompo.h"
#include "editing/SceneSession.h"
#include "support/SampleScene.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace kelvane;
using kelvane::test::TempDir;

namespace {

// The peak resident memory (VmHWM) in bytes; 0 when unknown.
long long PeakMemory()
{
    const std::string status = kelvane::test::ReadAll("/proc/self/status");
    const size_t at = status.find("VmHWM:");
    return at == std::string::npos ? 0 : std::atoll(status.c_str() + at + 6) * 1024;
}

// Starts a new peak at the present resident size; returns it (0 when the system cannot).
long long ResetPeakMemory()
{
    FILE* f = std::fopen("/proc/self/clear_refs", "w");
    if (!f)
        return 0;
    const bool reset = std::fputs("5", f) >= 0;
    std::fclose(f);
    return reset ? PeakMemory() : 0;
}

} // namespace

TEST(OutputWindow, CopiesBothTextsAndKeepsItsPlacement)
{
    TempDir dir;
    TIniFileCompo settings(dir / "kelvane");
    TfrmDos dos;
    dos.SetSettings(&settings);
    dos.SetTexts(QStringLiteral("Dos OutPut:\nout"), QStringLiteral("Dos Error:\nerr"));
    dos.btnCopyClick();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("Dos OutPut:\noutDos Error:\nerr"));
    dos.show();
    dos.btnCloseDos->click();
    EXPECT_FALSE(dos.isVisible());
    EXPECT_FALSE(settings.ReadString("Interface", "DosWindow", "").empty());
}

TEST(RenderPanel, BusyWhileRenderingIdleAfter)
{
    TempDir program, scenes;
    fs::copy_file(fs::path(KELVANE_SOURCE_DIR) / "data/samples/sample.xml", scenes / "sample.xml");
    TSceneSession session(program.Path());
    session.OpenScene({scenes / "sample.xml"});
    QWidget host;
    auto* layout = new QVBoxLayout(&host);
    TfrmDos dos;
    bool busySeen = false;
    std::string messages;
    TRenderPanelHooks hooks;
    hooks.message = [&](const std::string& m) { messages += m; };
    TRenderPanel* panelPtr = nullptr;
    hooks.options = [&] {
        TRenderOptions options;
        options.executable = KELVANE_STANDIN_EXE;
        return options;
    };
    hooks.setTimeText = [&](const QString&) {
        busySeen = !panelPtr->btnRen->isEnabled() && panelPtr->btnStopRen->isEnabled() && panelPtr->Timer1->isActive();
    };
    TRenderPanel panel(session, program.Path(), layout, hooks);
    panelPtr = &panel;
    panel.SetOutputWindow(&dos);
    EXPECT_FALSE(panel.btnStopRen->isEnabled());
    panel.btnRen->click();
    EXPECT_TRUE(messages.empty()) << messages;
    EXPECT_TRUE(busySeen);
    EXPECT_FALSE(panel.Timer1->isActive());

    panel.lbProg->setText(QStringLiteral("Rendering"));
    panel.Timer1Timer();
    EXPECT_EQ(panel.lbProg->text(), QStringLiteral("Render..."));
    panel.Timer1Timer();
    EXPECT_EQ(panel.lbProg->text(), QStringLiteral("Rendering"));
}

// A renderer that prints without end: the output window gets the head and the tail, and the
// editor's memory grows by far less than the output.
TEST(RenderPanel, EndlessRendererOutputIsBoundedInTheOutputWindow)
{
    TempDir program, scenes;
    std::string scene = kelvane::test::SampleScene();
    const std::string size = "resx=\"640\" resy=\"480\"";
    scene.replace(scene.find(size), size.size(), "resx=\"32\" resy=\"24\"");
    const fs::path file = scenes.Write("sample.xml", scene);
    const fs::path flood = scenes.Write("flood", "#!/bin/sh\nhead -c 67108864 /dev/zero | tr '\\000' '#'\nexec '" +
                                                   std::string(KELVANE_STANDIN_EXE) + "' \"$1\"\n");
    fs::permissions(flood, fs::perms::owner_all);
    TSceneSession session(program.Path());
    session.OpenScene({file});
    TfrmDos dos;
    std::string messages;
    TRenderPanelHooks hooks;
    hooks.message = [&](const std::string& m) { messages += m; };
    hooks.options = [&] {
        TRenderOptions options;
        options.executable = flood.string();
        return options;
    };
    TRenderPanel panel(session, program.Path(), nullptr, hooks);
    panel.SetOutputWindow(&dos);
    const long long before = ResetPeakMemory();
    panel.btnRen->click();
    dos.show();
    QApplication::processEvents();
    const long long grown = PeakMemory() - before;
    EXPECT_TRUE(messages.empty()) << messages;
    EXPECT_NE(panel.Job().LastPicture(), nullptr);
    const QString text = dos.reDos->toPlainText();
    // The kept head and tail, each a line of two million '#', shown as their starts and ends.
    EXPECT_LT(text.size(), 100000);
    EXPECT_TRUE(text.contains(QStringLiteral(" characters left out ...] ####")));
    EXPECT_TRUE(text.contains(QStringLiteral(" bytes left out ...]\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("]\nSaving Targa file as ") + QString::fromStdString((program / "LastRenderedImage.tga").string()) +
                              QStringLiteral("\nOK\n")));
#if !defined(__SANITIZE_ADDRESS__)
    if (before > 0) {
        EXPECT_LT(grown, 64 << 20);
    }
#endif
    (void)grown;
}
