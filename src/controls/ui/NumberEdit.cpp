#include "controls/ui/NumberEdit.h"
#include "controls/ui/QtText.h"

#include "scene/Errors.h"
#include "scene/NumFormat.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>

namespace kelvane {

namespace {

TNumberEdit::TConversionErrorHandler& ConversionHandler()
{
    static TNumberEdit::TConversionErrorHandler handler;
    return handler;
}

Qt::Alignment QtAlignment(TAlignment a)
{
    switch (a) {
    case TAlignment::taLeftJustify: return Qt::AlignLeft | Qt::AlignVCenter;
    case TAlignment::taCenter: return Qt::AlignHCenter | Qt::AlignVCenter;
    case TAlignment::taRightJustify: break;
    }
    return Qt::AlignRight | Qt::AlignVCenter;
}

// A context menu, the menu bar or another window taking the focus for a while is not leaving
// the field, and getting it back is not entering it.
bool IsPassingFocus(const QFocusEvent* event)
{
    const Qt::FocusReason r = event->reason();
    return r == Qt::PopupFocusReason || r == Qt::ActiveWindowFocusReason || r == Qt::MenuBarFocusReason;
}

// Byte offset into the UTF-8 form of text of the character position pos.
int ByteOffset(const QString& text, int pos)
{
    return static_cast<int>(Utf8Text(text.left(pos)).size());
}

} // namespace

TNumberEdit::TNumberEdit(QWidget* parent) : QLineEdit(parent)
{
    setAlignment(QtAlignment(alignment_));
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setAcceptDrops(false); // dropped text would bypass the filters
    connect(this, &QLineEdit::textChanged, this, &TNumberEdit::TextChanged);
    setText(QStringLiteral("0"));
}

void TNumberEdit::SetConversionErrorHandler(TConversionErrorHandler handler)
{
    ConversionHandler() = std::move(handler);
}

std::string TNumberEdit::TextUtf8() const
{
    return Utf8Text(text());
}

void TNumberEdit::SetTextUtf8(std::string_view text)
{
    setText(QtText(text));
}

void TNumberEdit::ReportConversion(const std::string& message)
{
    emit conversionFailed(QString::fromStdString(message));
    if (ConversionHandler())
        ConversionHandler()(message);
}

void TNumberEdit::TextChanged()
{
    if (updating_)
        return;
    const std::string t = TextUtf8();
    if (t.empty() || t == "-" || t == "+") {
        value_ = 0;
        return;
    }
    try {
        value_ = TypedValue(t, options_);
    } catch (const EConvertError& e) {
        ReportConversion(e.what());
        return;
    }
    if (options_.numberType == TNumberType::ntDecimal && options_.comma) {
        const std::string grouped = InsertThousands(t);
        if (grouped != t) {
            const int caret = cursorPosition();
            updating_ = true;
            SetTextUtf8(grouped);
            updating_ = false;
            const int moved = caret + (grouped.size() > t.size() ? 1 : grouped.size() < t.size() ? -1 : 0);
            setCursorPosition(std::clamp(moved, 0, static_cast<int>(text().size())));
        }
    }
    emit changed();
}

void TNumberEdit::ReplaceText()
{
    double v = value_;
    const std::string s = FormatValue(v, TextUtf8(), options_);
    value_ = v;
    SetTextUtf8(s);
    update();
}

void TNumberEdit::SetValue(double value)
{
    value_ = ClampValue(value, options_);
    ReplaceText();
}

void TNumberEdit::SetAlignment(TAlignment alignment)
{
    if (alignment == alignment_)
        return;
    alignment_ = alignment;
    setAlignment(QtAlignment(alignment));
}

void TNumberEdit::SetValidMinus(bool value)
{
    options_.validMinus = value;
    if (options_.numberType == TNumberType::ntHex)
        ReplaceText();
}

void TNumberEdit::SetComma(bool value)
{
    options_.comma = value;
    updating_ = true;
    ReplaceText();
    updating_ = false;
}

void TNumberEdit::SetFigure(int value)
{
    options_.figure = value;
    ReplaceText();
}

void TNumberEdit::SetFixed(bool value)
{
    options_.fixed = value;
    ReplaceText();
}

void TNumberEdit::SetLimit(bool value)
{
    options_.limit = value;
    if (value) {
        value_ = ClampValue(value_, options_);
        ReplaceText();
    }
}

TLimitOptions TNumberEdit::LimitOptions() const
{
    return (options_.loMax ? loMax : 0u) | (options_.loMin ? loMin : 0u);
}

void TNumberEdit::SetLimitOptions(TLimitOptions value)
{
    options_.loMax = (value & loMax) != 0;
    options_.loMin = (value & loMin) != 0;
    if (options_.limit) {
        value_ = ClampValue(value_, options_);
        ReplaceText();
    }
}

void TNumberEdit::SetMax(double value)
{
    options_.max = value;
    if (options_.min > options_.max)
        options_.min = options_.max;
    if ((value_ < options_.min || value_ > options_.max) && options_.limit && options_.loMax) {
        value_ = options_.max;
        ReplaceText();
    }
}

void TNumberEdit::SetMin(double value)
{
    options_.min = value;
    if (options_.max < options_.min)
        options_.max = options_.min;
    if ((value_ < options_.min || value_ > options_.max) && options_.limit && options_.loMin) {
        value_ = options_.min;
        ReplaceText();
    }
}

void TNumberEdit::SetNumberType(TNumberType value)
{
    if (value == options_.numberType)
        return;
    options_.numberType = value;
    if (value == TNumberType::ntDecimal)
        SetTextUtf8(FloatToStr(value_));
    else
        SetTextUtf8(HexDigits(static_cast<uint32_t>(ValueToInt32(value_, options_.roundMode)), options_.figure));
    update();
}

void TNumberEdit::SelectionBytes(int& start, int& length) const
{
    const QString t = text();
    if (hasSelectedText()) {
        const int s = selectionStart();
        start = ByteOffset(t, s);
        length = ByteOffset(t, s + static_cast<int>(selectedText().size())) - start;
    } else {
        start = ByteOffset(t, cursorPosition());
        length = 0;
    }
}

void TNumberEdit::SetCaretByte(const std::string& bytes, int byte)
{
    const int b = std::clamp(byte, 0, static_cast<int>(bytes.size()));
    setCursorPosition(static_cast<int>(QtText(std::string_view(bytes).substr(0, size_t(b))).size()));
}

void TNumberEdit::PasteFromClipboard(QClipboard::Mode mode)
{
    if (isReadOnly())
        return;
    const QString clip = QApplication::clipboard()->text(mode);
    if (clip.isEmpty())
        return;
    int start = 0, length = 0;
    SelectionBytes(start, length);
    const auto merged = PasteMerge(TextUtf8(), start, length, clip.toStdString(), options_.numberType);
    if (!merged)
        return;
    SetTextUtf8(merged->text);
    SetCaretByte(merged->text, merged->caret);
}

void TNumberEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Paste)) {
        // Shift+Insert is the paste request; the Ctrl shortcut does nothing in this field.
        if (!(event->modifiers() & Qt::ControlModifier))
            PasteFromClipboard();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        // Typing then replaces the whole text.
        selectAll();
        event->accept();
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers();
    const int key = event->key();
    if (mods & (Qt::ControlModifier | Qt::MetaModifier)) {
        // Ctrl with a character key gives a control character, which the filter drops (copy,
        // cut, undo included); Ctrl with navigation keys and Ctrl+Insert work as usual.
        if ((key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde) || key == Qt::Key_Backspace) {
            event->accept();
            return;
        }
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (mods & Qt::AltModifier) {
        event->ignore();
        return;
    }

    char c = 0;
    switch (key) {
    case Qt::Key_Backspace: c = 8; break;
    case Qt::Key_Return:
    case Qt::Key_Enter: c = 13; break;
    case Qt::Key_Tab: c = 9; break;
    default: {
        const QString t = event->text();
        if (t.isEmpty() || t[0].unicode() < 32 || t[0].unicode() == 127) {
            QLineEdit::keyPressEvent(event); // navigation, Delete, Escape, function keys
            return;
        }
        if (t.size() != 1 || t[0].unicode() >= 128) {
            event->accept();
            return;
        }
        c = static_cast<char>(t[0].unicode());
    }
    }

    const std::string current = TextUtf8();
    switch (ClassifyKey(c, current, options_.numberType, options_.validMinus)) {
    case TKeyAction::Discard:
        event->accept();
        return;
    case TKeyAction::EditSign: {
        event->accept();
        if (isReadOnly())
            return;
        int start = 0, length = 0;
        SelectionBytes(start, length);
        const TTextEdit edit = EditSign(current, start, length, c, options_.numberType);
        SetTextUtf8(edit.text);
        SetCaretByte(edit.text, edit.caret);
        return;
    }
    case TKeyAction::Pass:
        break;
    }
    if (OnKeyPress) {
        char k = c;
        OnKeyPress(k);
        if (k == 0) {
            event->accept();
            return;
        }
        if (k != c) {
            if (static_cast<unsigned char>(k) >= 32)
                insert(QString(QChar(k)));
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TNumberEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    if (IsPassingFocus(event))
        return;
    if (autoSelect_)
        selectAll();
    else
        end(false);
    emit entered();
}

void TNumberEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (IsPassingFocus(event))
        return;
    updating_ = true;
    try {
        value_ = ParseText(TextUtf8(), options_.numberType, options_.validMinus);
    } catch (const EConvertError& e) {
        updating_ = false;
        ReportConversion(e.what());
        return;
    }
    ReplaceText();
    emit exited();
    updating_ = false;
}

void TNumberEdit::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (QAction* action : menu->actions()) {
        // The Ctrl shortcuts do nothing in this field, so the menu does not name them.
        const QString text = action->text();
        if (const auto tab = text.indexOf(QLatin1Char('\t')); tab >= 0)
            action->setText(text.left(tab));
        if (action->objectName() == QLatin1String("edit-paste") || text.startsWith(QLatin1String("&Paste"))) {
            action->disconnect(this);
            connect(action, &QAction::triggered, this, [this] { PasteFromClipboard(); });
        }
    }
    menu->popup(event->globalPos());
}

void TNumberEdit::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton && QApplication::clipboard()->supportsSelection()) {
        PasteFromClipboard(QClipboard::Selection);
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

} // namespace kelvane
