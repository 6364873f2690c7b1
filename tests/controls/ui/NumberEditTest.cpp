#include "controls/ui/NumberEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

namespace kelvane {
namespace {

std::string Text(const TNumberEdit& e) { return e.TextUtf8(); }

void LeaveField(TNumberEdit& e)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(&e, &out);
}

void ShowText(TNumberEdit& e, const char* text)
{
    e.SetTextUtf8(text);
    e.setCursorPosition(static_cast<int>(e.text().size()));
}

TEST(NumberEdit, SignKeysEditTheFront)
{
    TNumberEdit e;
    ShowText(e, "345");
    e.setCursorPosition(1);
    QTest::keyClick(&e, Qt::Key_Minus);
    EXPECT_EQ(Text(e), "-345");
    EXPECT_EQ(e.cursorPosition(), 2);
    EXPECT_EQ(e.Value(), -345);
    // A read-only field keeps its sign.
    e.setReadOnly(true);
    QTest::keyClick(&e, Qt::Key_Minus);
    EXPECT_EQ(Text(e), "-345");
}

TEST(NumberEdit, FilterRefusesWhatCannotFormANumber)
{
    QApplication::clipboard()->setText(QStringLiteral("77"));
    TNumberEdit e;
    ShowText(e, "1.5");
    QTest::keyClicks(&e, "a.x,9");
    EXPECT_EQ(Text(e), "1.59");
    QTest::keyClick(&e, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&e, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(Text(e), "1.59");
    EXPECT_FALSE(e.hasSelectedText());
    // Ctrl+A selects the whole text, which typing replaces.
    QTest::keyClick(&e, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&e, "200");
    EXPECT_EQ(Text(e), "200");
    ShowText(e, "1.59");
    QTest::keyClick(&e, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(Text(e), "1.5977");
    QTest::keyClick(&e, Qt::Key_Backspace);
    EXPECT_EQ(Text(e), "1.597");
    QTest::keyClick(&e, Qt::Key_Home);
    QTest::keyClick(&e, Qt::Key_Delete);
    EXPECT_EQ(Text(e), ".597");

}

TEST(NumberEdit, PasteMergesTheClipboardInOneChange)
{
    TNumberEdit e;
    e.SetTextUtf8("");
    QApplication::clipboard()->setText(QStringLiteral("a-1.2.3"));
    QSignalSpy changes(&e, &TNumberEdit::changed);
    QTest::keyClick(&e, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(Text(e), "-1.23");
    EXPECT_DOUBLE_EQ(e.Value(), -1.23);
    EXPECT_EQ(changes.count(), 1);
    QApplication::clipboard()->clear();
    e.PasteFromClipboard();
    EXPECT_EQ(Text(e), "-1.23");
}

TEST(NumberEdit, ContextMenuPasteGoesThroughTheFilter)
{
    QWidget window;
    auto* e = new TNumberEdit(&window);
    window.show();
    e->SetTextUtf8("");
    QApplication::clipboard()->setText(QStringLiteral("x4.5.6"));
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), e->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(e, &event);
    QMenu* menu = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* m = qobject_cast<QMenu*>(w); m && m->isVisible())
            menu = m;
    ASSERT_NE(menu, nullptr);
    QAction* paste = nullptr;
    for (QAction* a : menu->actions())
        if (a->text() == QLatin1String("&Paste"))
            paste = a;
    if (paste)
        paste->trigger();
    menu->close();
    ASSERT_NE(paste, nullptr);
    EXPECT_EQ(Text(*e), "4.56");
}

TEST(NumberEdit, LeavingCutsToTheFigureAndKeepsTheValue)
{
    TNumberEdit e;
    e.SetFigure(0);
    e.SetFixed(true);
    e.SetTextUtf8("");
    QTest::keyClicks(&e, "12.7");
    EXPECT_EQ(Text(e), "12.7");
    EXPECT_EQ(e.Value(), 12);
    QSignalSpy exits(&e, &TNumberEdit::exited);
    // A popup, a menu or another window taking the focus is not leaving.
    for (Qt::FocusReason reason : {Qt::PopupFocusReason, Qt::ActiveWindowFocusReason, Qt::MenuBarFocusReason}) {
        QFocusEvent out(QEvent::FocusOut, reason);
        QApplication::sendEvent(&e, &out);
    }
    EXPECT_EQ(Text(e), "12.7");
    EXPECT_EQ(exits.count(), 0);
    LeaveField(e);
    EXPECT_EQ(Text(e), "12");
    EXPECT_DOUBLE_EQ(e.Value(), 12.7);
    EXPECT_EQ(exits.count(), 1);
}

TEST(NumberEdit, UnchangedTextKeepsTheAssignedNumberSilently)
{
    TNumberEdit i;
    i.SetFigure(0);
    i.SetFixed(true);
    i.SetValue(12);
    QSignalSpy changes(&i, &TNumberEdit::changed);
    i.SetValue(12.4);
    EXPECT_EQ(Text(i), "12");
    EXPECT_DOUBLE_EQ(i.Value(), 12.4);
    EXPECT_EQ(changes.count(), 0);
    i.SetValue(13.9);  // the text changed: the value is what it shows
    EXPECT_DOUBLE_EQ(i.Value(), 13);
}
TEST(NumberEdit, LimitsClampTheValueAndTheTextOnLeaving)
{
    TNumberEdit e;
    e.SetMax(360);
    e.SetMin(1);
    e.SetLimit(true);
    EXPECT_EQ(Text(e), "1"); // turning the limit on clamps at once
    e.SetTextUtf8("");
    QTest::keyClicks(&e, "500");
    EXPECT_EQ(Text(e), "500");
    EXPECT_EQ(e.Value(), 360);
    LeaveField(e);
    EXPECT_EQ(Text(e), "360");

    e.SetValue(300);
    e.SetMax(200);
    EXPECT_EQ(e.Value(), 200);
    EXPECT_EQ(Text(e), "200");
    e.SetMin(250); // Max follows Min up
    EXPECT_EQ(e.Max(), 250);
    EXPECT_EQ(e.Value(), 250);

    e.SetLimitOptions(loMin);
    e.SetTextUtf8("9999");
    EXPECT_EQ(e.Value(), 9999);
}

TEST(NumberEdit, EmptyAndSignOnlyTextsAreZeroWithoutNotice)
{
    TNumberEdit e;
    ShowText(e, "42");
    QSignalSpy changes(&e, &TNumberEdit::changed);
    e.selectAll();
    QTest::keyClick(&e, Qt::Key_Backspace);
    EXPECT_EQ(Text(e), "");
    EXPECT_EQ(e.Value(), 0);
    QTest::keyClick(&e, Qt::Key_Minus);
    EXPECT_EQ(Text(e), "-");
    EXPECT_EQ(changes.count(), 0);
    QTest::keyClick(&e, Qt::Key_5);
    EXPECT_EQ(e.Value(), -5);
    EXPECT_EQ(changes.count(), 1);
}

TEST(NumberEdit, ThousandsSeparatorsWhileTyping)
{
    TNumberEdit e;
    e.SetComma(true);
    e.SetTextUtf8("");
    QTest::keyClicks(&e, "1234567.5");
    EXPECT_EQ(Text(e), "1,234,567.5");
    EXPECT_EQ(e.cursorPosition(), static_cast<int>(e.text().size()));
    EXPECT_DOUBLE_EQ(e.Value(), 1234567.5);
}

TEST(NumberEdit, TextThatIsNoNumberKeepsTheValue)
{
    TNumberEdit e;
    e.SetValue(5);
    QSignalSpy changes(&e, &TNumberEdit::changed);
    QSignalSpy errors(&e, &TNumberEdit::conversionFailed);
    std::string reported;
    TNumberEdit::SetConversionErrorHandler([&](const std::string& m) { reported = m; });
    e.SetTextUtf8("abc");
    TNumberEdit::SetConversionErrorHandler(nullptr);
    EXPECT_EQ(e.Value(), 5);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(errors.count(), 1);
    EXPECT_EQ(reported, "'abc' is not a valid integer value");
    // Assigned scene text in scientific notation is a number.
    e.SetTextUtf8("1E-5");
    EXPECT_DOUBLE_EQ(e.Value(), 1e-5);
}

TEST(NumberEdit, OnKeyPressSeesAcceptedKeys)
{
    TNumberEdit e;
    e.SetTextUtf8("");
    std::string seen;
    e.OnKeyPress = [&](char& k) {
        seen += k;
        if (k == '3')
            k = 0;
        else if (k == '4')
            k = '5';
    };
    QTest::keyClicks(&e, "1x-234");
    EXPECT_EQ(seen, "1234"); // neither the refused letter nor the sign edit
    EXPECT_EQ(Text(e), "-125");
}

TEST(NumberEdit, FocusChangesSelectAndRewrite)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* a = new TNumberEdit(&window);
    auto* b = new TNumberEdit(&window);
    layout->addWidget(a);
    layout->addWidget(b);
    a->SetFigure(2);
    a->SetFixed(true);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    b->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    QSignalSpy enters(a, &TNumberEdit::entered);
    a->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(enters.count(), 1);
    EXPECT_EQ(a->selectedText(), QStringLiteral("0.00"));
    QTest::keyClicks(a, "3.14159");
    b->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(Text(*a), "3.14");
    EXPECT_DOUBLE_EQ(a->Value(), 3.14159);

    a->SetAutoSelect(false);
    a->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_FALSE(a->hasSelectedText());
    EXPECT_EQ(a->cursorPosition(), 4);
}

} // namespace
} // namespace kelvane
