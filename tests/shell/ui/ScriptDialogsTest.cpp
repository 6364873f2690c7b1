// The scripted dialogs' answers; the runner itself is driven by the golden script sessions.
#include "shell/ui/ScriptDialogs.h"

#include <gtest/gtest.h>

namespace kelvane::test {
namespace {

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
