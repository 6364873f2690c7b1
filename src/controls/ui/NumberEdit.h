#pragma once
// The numeric edit field: accepts only what can form a number, keeps Value() in step with the
// text while typing, and rewrites the text in its canonical form when the focus leaves or a
// value is assigned. Target, Command and KeyKind are carried for the editors; the field never
// uses them itself.
//
// Events: changed() is OnChange (fired by the text-changed processing), entered() OnEnter,
// exited() OnExit, OnKeyPress sees each accepted character and may replace it (0 drops it).
// A text that is not a number (only the program can assign one) leaves Value() as it was; the
// conversion error goes to conversionFailed() and to the handler set with
// SetConversionErrorHandler().
#include "controls/KeyKind.h"
#include "controls/NumberText.h"

#include <QClipboard>
#include <QLineEdit>
#include <QPointer>

#include <functional>
#include <string>

namespace kelvane {

enum TLimitOption : unsigned { loMax = 1, loMin = 2 };
using TLimitOptions = unsigned;

class TNumberEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TNumberEdit(QWidget* parent = nullptr);

    QObject* Target() const { return target_; }
    void SetTarget(QObject* target) { target_ = target; }
    const std::string& Command() const { return command_; }
    void SetCommand(std::string command) { command_ = std::move(command); }
    TKeyKind KeyKind() const { return keyKind_; }
    void SetKeyKind(TKeyKind kind) { keyKind_ = kind; }

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    bool ValidMinus() const { return options_.validMinus; }
    void SetValidMinus(bool value);
    bool Comma() const { return options_.comma; }
    void SetComma(bool value);
    int Figure() const { return options_.figure; }
    void SetFigure(int value);
    bool Fixed() const { return options_.fixed; }
    void SetFixed(bool value);
    bool Limit() const { return options_.limit; }
    void SetLimit(bool value);
    TLimitOptions LimitOptions() const;
    void SetLimitOptions(TLimitOptions value);
    double Max() const { return options_.max; }
    void SetMax(double value);
    double Min() const { return options_.min; }
    void SetMin(double value);
    TRoundMode RoundMode() const { return options_.roundMode; }
    void SetRoundMode(TRoundMode value) { options_.roundMode = value; }
    double Value() const { return value_; }
    void SetValue(double value);
    TNumberType NumberType() const { return options_.numberType; }
    void SetNumberType(TNumberType value);
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool value) { autoSelect_ = value; }
    const TNumberOptions& Options() const { return options_; }

    // The text as UTF-8, and its assignment (an ordinary text change).
    std::string TextUtf8() const;
    void SetTextUtf8(std::string_view text);

    // The paste request: merges the clipboard's text into the field (one text change).
    void PasteFromClipboard(QClipboard::Mode mode = QClipboard::Clipboard);

    std::function<void(char& key)> OnKeyPress;

    using TConversionErrorHandler = std::function<void(const std::string& message)>;
    static void SetConversionErrorHandler(TConversionErrorHandler handler);

signals:
    void changed();
    void entered();
    void exited();
    void conversionFailed(const QString& message);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void TextChanged();
    void ReplaceText();
    void ReportConversion(const std::string& message);
    void SelectionBytes(int& start, int& length) const;
    void SetCaretByte(const std::string& text, int byte);

    QPointer<QObject> target_;
    std::string command_;
    TKeyKind keyKind_ = TKeyKind::Plain;
    bool updating_ = false;
    TAlignment alignment_ = TAlignment::taRightJustify;
    TNumberOptions options_;
    double value_ = 0;
    bool autoSelect_ = true;
};

} // namespace kelvane
