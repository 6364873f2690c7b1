// The script runner in this process, on a window of its own: "wait" holds the next line until
// the busy work has ended.
#include "controls/BusyState.h"
#include "shell/ui/ScriptRunner.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

namespace kelvane::test {
namespace {

std::vector<TScriptLine> Lines(const std::string& text)
{
    std::istringstream in(text);
    return ReadScriptLines(in);
}

TEST(ScriptRunner, WaitHoldsTheNextLineUntilTheWorkEnds)
{
    QWidget window;
    window.setObjectName(QStringLiteral("frmTest"));
    auto* button = new QPushButton(QStringLiteral("Go"), &window);
    button->setObjectName(QStringLiteral("btnGo"));
    window.show();

    auto busy = std::make_unique<TBusyScope>();
    int rounds = 0;
    std::function<void()> work = [&] {
        // The work ends after some rounds of the event loop.
        if (++rounds < 20)
            QTimer::singleShot(1, &window, work);
        else
            busy.reset();
    };
    bool busyAtClick = true;
    QObject::connect(button, &QPushButton::clicked, [&] { busyAtClick = IsBusy(); });

    TScriptRunner runner("test", Lines("wait\nclick btnGo\n"));
    TDialogsScope dialogs(runner.Dialogs());
    runner.Start();
    runner.Release();
    QTimer::singleShot(0, &window, work);
    QApplication::exec();
    EXPECT_TRUE(runner.Finished());
    EXPECT_EQ(runner.ExitCode(), 0);
    EXPECT_FALSE(busyAtClick);
    EXPECT_GE(rounds, 20);
}

TEST(ScriptRunner, FailingLineEndsTheRunWithStatusOne)
{
    QWidget window;
    window.setObjectName(QStringLiteral("frmTest"));
    auto* button = new QPushButton(QStringLiteral("Go"), &window);
    button->setObjectName(QStringLiteral("btnGo"));
    button->setEnabled(false);
    window.show();
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });

    TScriptRunner runner("test", Lines("show btnGo\nclick btnGo\nclick btnGo\n"));
    TDialogsScope dialogs(runner.Dialogs());
    runner.Start();
    runner.Release();
    QApplication::exec();
    EXPECT_EQ(runner.ExitCode(), 1);
    EXPECT_EQ(clicks, 0);
}

} // namespace
} // namespace kelvane::test
