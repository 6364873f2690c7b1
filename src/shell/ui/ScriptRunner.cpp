#include "shell/ui/ScriptRunner.h"

#include "controls/BusyState.h"
#include "controls/ColorConvert.h"
#include "controls/ui/ColorPanel.h"
#include "controls/ui/ComboBoxYafRay.h"
#include "controls/ui/NumberEdit.h"
#include "controls/ui/QtText.h"
#include "editing/EditScript.h"
#include "editing/RowListing.h"
#include "editing/SceneSession.h"
#include "render/ui/UnitImgRen.h"
#include "shell/ui/ScriptWidgets.h"
#include "shell/ui/UnitMain.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QKeySequence>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <cstdio>
#include <stdexcept>

namespace kelvane {

using namespace scripted;

namespace {

// A line that cannot be carried out; what() is the reason.
class EScriptLine : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Refuse(const std::string& reason)
{
    throw EScriptLine(reason);
}

std::string Quoted(const std::string& s)
{
    return "\"" + EscapeBreaks(s) + "\"";
}

int Number(const std::string& word, const char* what)
{
    try {
        size_t used = 0;
        const int n = std::stoi(word, &used);
        if (used == word.size())
            return n;
    } catch (const std::exception&) {
    }
    Refuse(std::string(what) + " " + Quoted(word) + " is not a whole number");
}

std::vector<std::string> ItemTexts(QListWidget* list)
{
    std::vector<std::string> texts;
    for (int i = 0; i < list->count(); ++i)
        texts.push_back(Utf8Text(list->item(i)->text()));
    return texts;
}

// The index of item in the drop-down: by its shown text, else by its whole item text.
int ComboIndexOf(QComboBox* combo, const std::string& item)
{
    std::vector<std::string> shown;
    for (int i = 0; i < combo->count(); ++i)
        shown.push_back(Utf8Text(combo->itemText(i)));
    int index = MatchItem(shown, item);
    if (index == -1)
        if (auto* y = qobject_cast<TComboBoxYafRay*>(combo)) {
            std::vector<std::string> whole;
            for (int i = 0; i < combo->count(); ++i)
                whole.push_back(y->Item(i));
            index = MatchItem(whole, item);
        }
    return index;
}

QListWidgetItem* RowOf(QListWidget* list, const std::string& name, const std::string& row)
{
    const int index = MatchItem(ItemTexts(list), row);
    if (index == ItemAmbiguous)
        Refuse("more than one item of " + name + " is named " + Quoted(row));
    if (index < 0)
        Refuse("no item " + Quoted(row) + " in " + name);
    return list->item(index);
}

std::string OnOffText(bool on)
{
    return on ? "on" : "off";
}

} // namespace

TScriptRunner::TScriptRunner(std::string name, std::vector<TScriptLine> lines)
    : name_(std::move(name)), lines_(std::move(lines)),
      dialogs_([this](const std::string& text) { Print(text); }, [this](const std::string& reason) { Fail(reason); })
{
}

void TScriptRunner::Start()
{
    Post();
}

void TScriptRunner::Release()
{
    released_ = true;
    if (!finished_ && running_.empty())
        Post();
}

void TScriptRunner::Post()
{
    const int generation = ++generation_;
    QMetaObject::invokeMethod(this, [this, generation] { Step(generation); }, Qt::QueuedConnection);
}

void TScriptRunner::Step(int generation)
{
    if (generation != generation_ || finished_)
        return;
    QWidget* modal = QApplication::activeModalWidget();
    if (!released_ && !modal)
        return;  // start-up is still going on; Release() continues
    if (!running_.empty() && modal == modalAtStart_.back() && !StartedWork()) {
        // A line is still being carried out and opened no dialog: the next one waits for it.
        // Work that keeps the program busy (a render) lets the next lines run while it goes on.
        QTimer::singleShot(1, this, [this, generation] { Step(generation); });
        return;
    }
    if (waiting_) {
        if (IsBusy()) {
            QTimer::singleShot(10, this, [this, generation] { Step(generation); });
            return;
        }
        // Two rounds through the queue, so that what the work left behind is handled too.
        if (idleRounds_ < 2) {
            ++idleRounds_;
            Post();
            return;
        }
        waiting_ = false;
    }
    if (next_ >= lines_.size()) {
        if (modal) {
            failureLine_ = lines_.empty() ? 0 : lines_.back().number;
            Fail("the script ended while " + Utf8Text(modal->objectName()) + " is open");
            Finish();
        } else if (running_.empty()) {
            Finish();
        }
        return;
    }
    const TScriptLine& line = lines_[next_++];
    running_.push_back(line.number);
    modalAtStart_.push_back(modal);
    busyAtStart_.push_back(IsBusy());
    Post();  // runs inside a modal dialog this line opens
    try {
        RunLine(line);
    } catch (const std::exception& e) {
        Fail(e.what());
    }
    running_.pop_back();
    modalAtStart_.pop_back();
    busyAtStart_.pop_back();
    if (finished_)
        return;
    if (!failure_.empty()) {
        Finish();
        return;
    }
    // The next line queues behind what this one left to do.
    if (running_.empty() || QApplication::activeModalWidget() != modalAtStart_.back() || StartedWork())
        Post();
}

bool TScriptRunner::StartedWork() const
{
    return !busyAtStart_.empty() && !busyAtStart_.back() && IsBusy();
}

void TScriptRunner::Fail(const std::string& reason)
{
    if (!failure_.empty())
        return;
    failure_ = reason.empty() ? "failed" : reason;
    if (!running_.empty())
        failureLine_ = running_.back();
    // The lines that would have answered the closing questions will not run.
    dialogs_.StopAnswering();
}

void TScriptRunner::Finish()
{
    if (finished_)
        return;
    finished_ = true;
    std::fflush(stdout);
    if (!failure_.empty()) {
        const std::string text = name_ + ":" + std::to_string(failureLine_) + ": " + failure_ + "\n";
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
    }
    CloseWindows();
    if (released_)
        QCoreApplication::exit(ExitCode());
}

void TScriptRunner::CloseWindows()
{
    for (int i = 0; i < 16; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            break;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->done(QDialog::Rejected);
        else
            modal->hide();
    }
    // Once: a main window that stayed open (its question about unsaved changes was not
    // answered) is not asked again.
    static bool exitTriggered = false;
    if (TfrmMain* main = MainWindow(); main && !exitTriggered)
        if (main->isVisible()) {
            exitTriggered = true;
            if (auto* exit = main->findChild<QAction*>(QStringLiteral("ExitE1")))
                exit->trigger();
            else
                main->close();
        }
}

void TScriptRunner::Print(const std::string& text)
{
    const std::string line = text + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
}

QObject* TScriptRunner::Find(const std::string& name) const
{
    const QString n = QtText(name);
    for (QWidget* window : WindowsInOrder()) {
        if (window->objectName() == n)
            return window;
        if (QObject* found = window->findChild<QObject*>(n))
            return found;
    }
    Refuse("no control is named " + name);
}

QWidget* TScriptRunner::Widget(const std::string& name) const
{
    QObject* found = Find(name);
    auto* widget = qobject_cast<QWidget*>(found);
    if (!widget)
        Refuse(name + " is not a control");
    return widget;
}

void TScriptRunner::RequireUsable(QObject* control, const std::string& name) const
{
    auto* action = qobject_cast<QAction*>(control);
    auto* widget = qobject_cast<QWidget*>(control);
    QWidget* window = widget ? widget->window() : nullptr;
    if (action)
        if (auto* parent = qobject_cast<QWidget*>(action->parent()))
            window = parent->window();
    if (QWidget* modal = QApplication::activeModalWidget())
        if (window && window != modal)
            Refuse(name + " cannot be reached while " + Utf8Text(modal->objectName()) + " is open");
    const bool enabled = action ? action->isEnabled() : widget && widget->isEnabled();
    const bool visible = action ? action->isVisible() : widget && widget->isVisible();
    if (!enabled)
        Refuse(name + " is disabled");
    if (!visible)
        Refuse(name + " is hidden");
}

void TScriptRunner::RunLine(const TScriptLine& line)
{
    std::vector<std::string> words;
    try {
        words = SplitScriptWords(line.text);
    } catch (const std::exception& e) {
        Refuse(e.what());
    }
    const std::string command = words.front();
    const size_t n = words.size() - 1;
    auto need = [&](bool ok, const char* usage) {
        if (!ok)
            Refuse(std::string("usage: ") + usage);
    };
    auto onOff = [&](const std::string& word) {
        const int on = OnOff(word);
        if (on < 0)
            Refuse("expected on or off, not " + Quoted(word));
        return on;
    };
    const bool stay = n == 3 && words[3] == "--stay";
    const bool add = n == 3 && words[3] == "--add";
    if (command == "select") {
        need(n == 1, "select ROW");
        Select(words[1]);
    } else if (command == "check") {
        need(n == 2, "check ROW on|off");
        CheckRow("listObjList", words[1], onOff(words[2]), false);
    } else if (command == "type") {
        need(n == 2 || stay, "type NAME TEXT [--stay]");
        Type(words[1], words[2], stay);
    } else if (command == "tick") {
        need(n == 2, "tick NAME on|off");
        Tick(words[1], onOff(words[2]));
    } else if (command == "choose") {
        need(n == 2 || stay || add, "choose NAME ITEM [--stay|--add]");
        Choose(words[1], words[2], stay, add);
    } else if (command == "tick-item") {
        need(n == 3, "tick-item NAME ITEM on|off");
        CheckRow(words[1], words[2], onOff(words[3]), true);
    } else if (command == "slide") {
        need(n == 2, "slide NAME POSITION");
        Slide(words[1], words[2]);
    } else if (command == "click") {
        need(n == 1, "click NAME");
        Click(words[1]);
    } else if (command == "drop-colour") {
        need(n == 4, "drop-colour NAME R G B");
        DropColour(words[1], {words[2], words[3], words[4]});
    } else if (command == "drag") {
        need(n == 5, "drag NAME X0 Y0 X1 Y1");
        Drag(words[1], {words[2], words[3], words[4], words[5]});
    } else if (command == "key") {
        need(n == 1 || n == 2, "key [NAME] SEQUENCE");
        if (n == 1)
            Key(nullptr, words[1]);
        else
            Key(Widget(words[1]), words[2], words[1]);
    } else if (command == "caption") {
        need(n <= 1, "caption [NAME]");
        Print(Caption(n == 1 ? words[1] : std::string()));
    } else if (command == "show") {
        need(n == 1, "show NAME");
        Print(Show(words[1]));
    } else if (command == "answer") {
        need(n == 1, "answer BUTTON");
        dialogs_.PrepareAnswer(QtText(words[1]));
    } else if (command == "file") {
        QStringList paths;
        for (size_t i = 1; i < words.size(); ++i)
            paths << QtText(words[i]);
        dialogs_.PrepareFiles(paths);
    } else if (command == "wait") {
        need(n == 0, "wait");
        waiting_ = true;
        idleRounds_ = 0;
    } else if (command == "rows") {
        need(n == 0, "rows");
        Rows();
    } else {
        Refuse("unknown command " + Quoted(command));
    }
}

void TScriptRunner::Select(const std::string& row)
{
    auto* list = qobject_cast<QListWidget*>(Widget("listObjList"));
    if (!list)
        Refuse("listObjList is not a list");
    RequireUsable(list, "listObjList");
    QListWidgetItem* item = RowOf(list, "listObjList", row);
    list->scrollToItem(item);
    Activate(list->window());
    ClickAt(list->viewport(), RowTextOf(list, item));
    if (list->currentItem() != item)
        Refuse("the row " + Quoted(row) + " did not take the click");
}

void TScriptRunner::CheckRow(const std::string& name, const std::string& row, int on, bool selectFirst)
{
    auto* list = qobject_cast<QListWidget*>(Widget(name));
    if (!list)
        Refuse(name + " is not a check list");
    RequireUsable(list, name);
    QListWidgetItem* item = RowOf(list, name, row);
    if (!(item->flags() & Qt::ItemIsUserCheckable) || !(item->flags() & Qt::ItemIsEnabled))
        Refuse("the check box of " + Quoted(row) + " in " + name + " is disabled");
    list->scrollToItem(item);
    Activate(list->window());
    if (selectFirst && list->currentItem() != item)
        ClickAt(list->viewport(), RowTextOf(list, item));
    if ((item->checkState() == Qt::Checked) == bool(on))
        return;
    int changes = 0;
    const auto watch = QObject::connect(list, &QListWidget::itemChanged, list, [&changes] { ++changes; });
    ClickAt(list->viewport(), RowIndicatorOf(list, item));
    QObject::disconnect(watch);
    if (changes == 0)
        Refuse("the check box of " + Quoted(row) + " in " + name + " did not respond to the click");
}

void TScriptRunner::Type(const std::string& name, const std::string& text, bool stay)
{
    auto* edit = qobject_cast<QLineEdit*>(Widget(name));
    if (!edit)
        Refuse(name + " is not an edit");
    RequireUsable(edit, name);
    if (edit->isReadOnly())
        Refuse(name + " is read-only");
    Focus(edit, Qt::MouseFocusReason);
    edit->selectAll();
    if (text.empty())
        QTest::keyClick(edit, Qt::Key_Delete);  // the selected old text goes
    QTest::keyClicks(edit, QtText(text));
    if (!stay)
        MoveFocusOn(edit);
}

void TScriptRunner::Tick(const std::string& name, int on)
{
    auto* button = qobject_cast<QAbstractButton*>(Widget(name));
    if (!button || !button->isCheckable())
        Refuse(name + " is not a check box or radio button");
    RequireUsable(button, name);
    if (button->isChecked() == bool(on))
        return;
    if (!on && qobject_cast<QRadioButton*>(button))
        Refuse(name + " is a radio button: choose another one of its group");
    Activate(button->window());
    ClickAt(button, IndicatorOf(button));
    if (button->isChecked() != bool(on))
        Refuse(name + " did not switch " + OnOffText(on));
}

void TScriptRunner::Choose(const std::string& name, const std::string& item, bool stay, bool add)
{
    QWidget* control = Widget(name);
    RequireUsable(control, name);
    if (add && !qobject_cast<QListWidget*>(control))
        Refuse("--add picks one more item of a list; " + name + " is not a list");
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        const int index = ComboIndexOf(combo, item);
        if (index == ItemAmbiguous)
            Refuse("more than one item of " + name + " is named " + Quoted(item));
        if (index < 0)
            Refuse("no item " + Quoted(item) + " in " + name);
        // As a pick from the open list: the box takes the focus, the item is shown, then the
        // activation handlers run.
        Focus(combo, Qt::MouseFocusReason);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
        emit combo->textActivated(combo->itemText(index));
    } else if (auto* list = qobject_cast<QListWidget*>(control)) {
        QListWidgetItem* row = RowOf(list, name, item);
        list->scrollToItem(row);
        Activate(list->window());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, add ? Qt::ControlModifier : Qt::NoModifier,
                          RowTextOf(list, row));
        if (list->currentItem() != row)
            Refuse("the item " + Quoted(item) + " of " + name + " did not take the click");
    } else {
        const QList<QRadioButton*> radios = control->findChildren<QRadioButton*>();
        std::vector<std::string> texts;
        for (QRadioButton* r : radios)
            texts.push_back(Utf8Text(r->text().remove(QLatin1Char('&'))));
        if (radios.isEmpty())
            Refuse(name + " is not a drop-down, list or radio group");
        const int index = MatchItem(texts, item);
        if (index < 0)
            Refuse("no item " + Quoted(item) + " in " + name);
        QRadioButton* radio = radios[index];
        RequireUsable(radio, name + " " + Quoted(item));
        Activate(radio->window());
        ClickAt(radio, IndicatorOf(radio));
        control = radio;
    }
    if (!stay) {
        QWidget* focused = QApplication::focusWidget();
        if (focused && (focused == control || control->isAncestorOf(focused)))
            MoveFocusOn(focused);
    }
}

void TScriptRunner::Slide(const std::string& name, const std::string& position)
{
    auto* slider = qobject_cast<QSlider*>(Widget(name));
    if (!slider)
        Refuse(name + " is not a slider");
    RequireUsable(slider, name);
    const int to = Number(position, "position");
    if (to < slider->minimum() || to > slider->maximum())
        Refuse("position " + position + " is outside " + name + " (" + std::to_string(slider->minimum()) + ".." +
               std::to_string(slider->maximum()) + ")");
    // A drag: the handle is grabbed (the slider takes the focus), moved and let go.
    Focus(slider, Qt::MouseFocusReason);
    slider->setSliderDown(true);
    slider->setSliderPosition(to);
    slider->setSliderDown(false);
}

void TScriptRunner::Click(const std::string& name)
{
    QObject* found = Find(name);
    RequireUsable(found, name);
    if (auto* action = qobject_cast<QAction*>(found)) {
        if (action->menu())
            Refuse(name + " opens a menu; click one of its items");
        action->trigger();
        return;
    }
    auto* button = qobject_cast<QAbstractButton*>(found);
    if (!button)
        Refuse(name + " is not a button or menu item");
    Activate(button->window());
    ClickAt(button, qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button) ? IndicatorOf(button)
                                                                                            : button->rect().center());
}

void TScriptRunner::DropColour(const std::string& name, const std::vector<std::string>& components)
{
    QWidget* swatch = Widget(name);
    if (!qobject_cast<TColorPanel*>(swatch))
        Refuse(name + " is not a colour swatch");
    RequireUsable(swatch, name);
    int rgb[3];
    for (int i = 0; i < 3; ++i) {
        rgb[i] = Number(components[size_t(i)], "colour component");
        if (rgb[i] < 0 || rgb[i] > 255)
            Refuse("colour component " + components[size_t(i)] + " is outside 0..255");
    }
    if (!swatch->acceptDrops())
        Refuse(name + " does not take dropped colours");
    // The events a drag from the colour picker delivers to the swatch.
    QMimeData data;
    data.setData(QLatin1String(ColourDragFormat),
                 QByteArray::number(rgb[0]) + ' ' + QByteArray::number(rgb[1]) + ' ' + QByteArray::number(rgb[2]));
    data.setColorData(QColor(rgb[0], rgb[1], rgb[2]));
    const QPoint at = swatch->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(swatch, &enter);
    if (!enter.isAccepted())
        Refuse(name + " refused the colour");
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(swatch, &move);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(swatch, &drop);
    if (!drop.isAccepted())
        Refuse(name + " refused the colour");
}

void TScriptRunner::Drag(const std::string& name, const std::vector<std::string>& corners)
{
    QWidget* control = Widget(name);
    RequireUsable(control, name);
    int v[4];
    for (int i = 0; i < 4; ++i)
        v[i] = Number(corners[size_t(i)], "coordinate");
    const QPoint from(v[0], v[1]), to(v[2], v[3]);
    if (!control->rect().contains(from) || !control->rect().contains(to))
        Refuse("the drag leaves " + name + " (" + std::to_string(control->width()) + "x" +
               std::to_string(control->height()) + ")");
    Activate(control->window());
    // Press, move with the button held, release: the events a drag with the mouse delivers.
    auto send = [control](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(at), QPointF(control->mapToGlobal(at)), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(control, &event);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

void TScriptRunner::Key(QWidget* control, const std::string& keys, const std::string& name)
{
    const QKeySequence sequence = QKeySequence::fromString(QtText(keys), QKeySequence::PortableText);
    bool known = sequence.count() > 0;
    for (int i = 0; i < sequence.count(); ++i)
        known = known && sequence[i].key() != Qt::Key_unknown;
    if (!known)
        Refuse("no key is named " + Quoted(keys));
    if (control) {
        RequireUsable(control, name);
        Focus(control, Qt::OtherFocusReason);
    } else {
        control = KeyTarget();
    }
    // Each press goes to the widget that has the keyboard then, as the user's next one would.
    for (int i = 0; i < sequence.count(); ++i) {
        QTest::keyClick(control, sequence[i].key(), sequence[i].keyboardModifiers());
        if (i + 1 < sequence.count())
            control = KeyTarget();
    }
}

QWidget* TScriptRunner::KeyTarget() const
{
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup;
    QWidget* window = QApplication::activeModalWidget();
    if (!window)
        window = QApplication::activeWindow();
    if (!window)
        window = MainWindow();
    if (!window || !window->isVisible())
        Refuse("no window is open to take the key");
    Activate(window);
    QWidget* focused = window->focusWidget();
    return focused && focused->isVisible() ? focused : window;
}

std::string TScriptRunner::Caption(const std::string& name) const
{
    QWidget* window = name.empty() ? MainWindow() : Widget(name);
    if (!window)
        Refuse("the main window is not open");
    window = window->window();
    // The window manager shows "[*]" as the modified marker, or not at all.
    QString title = window->windowTitle();
    title.replace(QStringLiteral("[*]"), window->isWindowModified() ? QStringLiteral("*") : QString());
    return EscapeBreaks(Utf8Text(title));
}

std::string TScriptRunner::Show(const std::string& name) const
{
    QObject* found = Find(name);
    std::string text;
    bool usable = true;
    if (auto* action = qobject_cast<QAction*>(found)) {
        text = Utf8Text(WithoutMnemonic(action->text()));
        usable = action->isEnabled() && action->isVisible();
        return EscapeBreaks(text) + (usable ? "" : " (disabled)");
    }
    auto* w = qobject_cast<QWidget*>(found);
    if (!w)
        Refuse(name + " is not a control");
    if (w->isWindow())
        return w->isVisible() ? "shown" : "hidden";
    usable = w->isEnabled() && w->isVisible();
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        text = Utf8Text(edit->text());
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
        text = Utf8Text(plain->toPlainText());
    } else if (auto* rich = qobject_cast<QTextEdit*>(w)) {
        text = Utf8Text(rich->toPlainText());
    } else if (auto* button = qobject_cast<QAbstractButton*>(w); button && button->isCheckable()) {
        text = OnOffText(button->isChecked());
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        text = combo->currentIndex() < 0 ? std::string() : Utf8Text(combo->currentText());
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
        text = list->currentItem() ? Utf8Text(list->currentItem()->text()) : std::string();
    } else if (auto* slider = qobject_cast<QSlider*>(w)) {
        text = std::to_string(slider->value());
    } else if (auto* swatch = qobject_cast<TColorPanel*>(w)) {
        TColor colour = swatch->Color();
        if (colour == clBtnFace) {
            const QColor face = swatch->palette().color(QPalette::Button);
            colour = MakeColor(face.red(), face.green(), face.blue());
        }
        const TBgr c = SplitColor(colour);
        text = std::to_string(c.red) + " " + std::to_string(c.green) + " " + std::to_string(c.blue);
    } else if (auto* view = qobject_cast<TImageView*>(w)) {
        // The image window's picture: its size as drawn at the zoom in use.
        text = std::to_string(view->Image().isNull() ? 0 : view->width()) + "x" +
               std::to_string(view->Image().isNull() ? 0 : view->height());
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        // A picture label (one scaling its picture, or showing one) gives its picture's size.
        const QPixmap picture = label->pixmap();
        if (!picture.isNull() || label->hasScaledContents())
            text = std::to_string(picture.isNull() ? 0 : picture.width()) + "x" +
                   std::to_string(picture.isNull() ? 0 : picture.height());
        else
            text = Utf8Text(label->text());
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        text = Utf8Text(button->text());
    } else {
        // A panel or page: whether it is shown.
        text = w->isVisible() ? "shown" : "hidden";
        usable = w->isEnabled();
    }
    return EscapeBreaks(text) + (usable ? "" : " (disabled)");
}

void TScriptRunner::Rows()
{
    TfrmMain* main = MainWindow();
    if (!main)
        Refuse("the main window is not open");
    std::string rows = ListRows(main->Session().Rows());
    if (rows.empty())
        return;
    rows.pop_back();
    Print(rows);
}

} // namespace kelvane
