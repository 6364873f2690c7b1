#pragma once
// Where scripted clicks land and how scripted focus moves: the windows in look-up order, the
// click points of check boxes and list rows, menu texts without their accelerator marks.
#include <QPoint>
#include <QString>

#include <vector>

class QAbstractButton;
class QListWidget;
class QListWidgetItem;
class QWidget;

namespace kelvane {

class TfrmMain;

namespace scripted {

TfrmMain* MainWindow();
// Top-level windows in look-up order: the active modal dialog, the main window, the others.
std::vector<QWidget*> WindowsInOrder();
// The window gets the keyboard focus as when the user clicks into it.
void Activate(QWidget* window);
void Focus(QWidget* control, Qt::FocusReason reason);
// The focus leaves the control without landing on another one; its exit handler runs.
void MoveFocusOn(QWidget* control);
void ClickAt(QWidget* target, QPoint at);
// Where a click toggles a check box or radio button.
QPoint IndicatorOf(QAbstractButton* button);
// Where a click toggles the check box of a list row.
QPoint RowIndicatorOf(QListWidget* list, QListWidgetItem* item);
// Where a click selects a list row: on its text, away from its check box.
QPoint RowTextOf(QListWidget* list, QListWidgetItem* item);
// A menu item's text as the menu shows it: "&&" is "&", a single "&" marks the accelerator.
QString WithoutMnemonic(const QString& text);

} // namespace scripted
} // namespace kelvane
