#include "render/ui/RenderJobUi.h"
#include "render/ui/UnitDos.h"

#include "controls/IniFileCompo.h"
#include "editing/SceneSession.h"
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
