#include "shell/ui/ScriptWidgets.h"

#include "shell/ui/UnitMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionViewItem>
#include <QTest>

#include <algorithm>

namespace kelvane::scripted {

namespace {

QStyleOptionViewItem RowOption(QListWidget* list, QListWidgetItem* item)
{
    QStyleOptionViewItem option;
    option.initFrom(list->viewport());
    option.rect = list->visualItemRect(item);
    option.features = QStyleOptionViewItem::HasDisplay;
    if (item->flags() & Qt::ItemIsUserCheckable)
        option.features |= QStyleOptionViewItem::HasCheckIndicator;
    option.text = item->text();
    option.checkState = item->checkState();
    option.font = list->font();
    option.fontMetrics = list->fontMetrics();
    option.decorationSize = list->iconSize().isValid() ? list->iconSize() : QSize(16, 16);
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    return option;
}

} // namespace

TfrmMain* MainWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* main = qobject_cast<TfrmMain*>(w))
            return main;
    return nullptr;
}

std::vector<QWidget*> WindowsInOrder()
{
    std::vector<QWidget*> out;
    if (QWidget* modal = QApplication::activeModalWidget())
        out.push_back(modal);
    if (TfrmMain* main = MainWindow())
        out.push_back(main);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (std::find(out.begin(), out.end(), w) == out.end() && !w->inherits("QMenu"))
            out.push_back(w);
    return out;
}

void Activate(QWidget* window)
{
    if (QApplication::activeWindow() == window)
        return;
    window->activateWindow();
    // The platform reports the activation as an event of its own.
    for (int i = 0; i < 20 && QApplication::activeWindow() != window; ++i)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void Focus(QWidget* control, Qt::FocusReason reason)
{
    Activate(control->window());
    control->setFocus(reason);
}

void MoveFocusOn(QWidget* control)
{
    if (control->hasFocus())
        control->clearFocus();
}

void ClickAt(QWidget* target, QPoint at)
{
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, at);
}

QPoint IndicatorOf(QAbstractButton* button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    const bool radio = qobject_cast<QRadioButton*>(button) != nullptr;
    const QRect r = button->style()->subElementRect(radio ? QStyle::SE_RadioButtonClickRect
                                                          : QStyle::SE_CheckBoxClickRect,
                                                    &option, button);
    return r.isValid() ? r.center() : button->rect().center();
}

QPoint RowIndicatorOf(QListWidget* list, QListWidgetItem* item)
{
    const QStyleOptionViewItem option = RowOption(list, item);
    const QRect r = list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list);
    return r.isValid() ? r.center() : option.rect.topLeft() + QPoint(8, option.rect.height() / 2);
}

QPoint RowTextOf(QListWidget* list, QListWidgetItem* item)
{
    const QStyleOptionViewItem option = RowOption(list, item);
    const QRect check = (option.features & QStyleOptionViewItem::HasCheckIndicator)
                            ? list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list)
                            : QRect();
    const QRect text = list->style()->subElementRect(QStyle::SE_ItemViewItemText, &option, list);
    if (text.isValid() && !check.contains(text.center()))
        return text.center();
    QPoint at = option.rect.center();
    if (check.contains(at))
        at.setX(option.rect.right() - 1);
    return at;
}

QString WithoutMnemonic(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        out += text[i];
    }
    return out;
}

} // namespace kelvane::scripted
