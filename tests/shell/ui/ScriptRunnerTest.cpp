// The script runner in this process, on a window of its own ("wait" holds the next line until
// the busy work has ended), and the scripted dialogs' answers.
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

TEST(ScriptDialogs, APreparedAnswerIsUsedOnceAndABoxWithoutDefaultFails)
{
    std::vector<std::string> printed, failures;
    TScriptDialogs dialogs([&](const std::string& t) { printed.push_back(t); },
                           [&](const std::string& t) { failures.push_back(t); });
    const QStringList buttons{QStringLiteral("Yes"), QStringLiteral("No"), QStringLiteral("Cancel")};
    dialogs.PrepareAnswer(QStringLiteral("No"));
    EXPECT_EQ(dialogs.Ask(nullptr, QStringLiteral("Stop?\r\nNow"), buttons, 2), 1);
    EXPECT_EQ(dialogs.Ask(nullptr, QStringLiteral("Again"), buttons, 0), 0);
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(printed, (std::vector<std::string>{"message: Stop?\\r\\nNow", "message: Again"}));
    EXPECT_EQ(dialogs.Ask(nullptr, QStringLiteral("Which?"), buttons, -1), -1);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("no default button"), std::string::npos) << failures[0];
}

TEST(ScriptDialogs, ASaveDialogTakesOneFile)
{
    std::vector<std::string> failures;
    TScriptDialogs dialogs([](const std::string&) {}, [&](const std::string& t) { failures.push_back(t); });
    dialogs.PrepareFiles({QStringLiteral("/a.xml"), QStringLiteral("/b.xml")});
    EXPECT_EQ(dialogs.GetOpenFileNames(nullptr, QStringLiteral("Open"), QString(), true).size(), 2);
    dialogs.PrepareFiles({QStringLiteral("/a.xml"), QStringLiteral("/b.xml")});
    EXPECT_TRUE(dialogs.GetSaveFileName(nullptr, QStringLiteral("Save"), QString(), QString()).isEmpty());
    EXPECT_EQ(failures.size(), 1u);
    dialogs.PrepareFiles({});
    EXPECT_TRUE(dialogs.GetSaveFileName(nullptr, QStringLiteral("Save"), QString(), QString()).isEmpty());
    EXPECT_EQ(failures.size(), 1u);  // cancelled as prepared
}

} // namespace
} // namespace kelvane::test
