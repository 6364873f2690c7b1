#pragma once
// A drop-down list whose items carry values: an item is a plain word (shown and also the value)
// or a display text, blanks, "=" and the value ("multiply      =mul"); only the display text is
// shown. Command and KeyKind are carried for the editors.
#include "controls/KeyKind.h"
#include <QComboBox>

#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

class TComboBoxYafRay : public QComboBox {
    Q_OBJECT
public:
    explicit TComboBoxYafRay(QWidget* parent = nullptr);

    const std::string& Command() const { return command_; }
    void SetCommand(std::string command) { command_ = std::move(command); }
    TKeyKind KeyKind() const { return keyKind_; }
    void SetKeyKind(TKeyKind kind) { keyKind_ = kind; }

    void AddItem(std::string_view item);
    void SetItems(const std::vector<std::string>& items);
    // The whole item as given (display text, "=" and value), also for items added as plain text.
    std::string Item(int index) const;
    std::string ItemValueAt(int index) const;
    // The first item whose value equals value, or -1.
    int IndexOfValue(std::string_view value) const;
    // Selects the first item with that value, or no item when none has it.
    void SelectValue(std::string_view value);
    // The value of the item shown; empty with no selection.
    std::string ShownValue() const;

private:
    std::string command_;
    TKeyKind keyKind_ = TKeyKind::Plain;
};

} // namespace kelvane
